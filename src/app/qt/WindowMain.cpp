// The window front end: Form1 on the Qt event loop until it is closed.
#include <QApplication>

#include "app/FrontEnds.h"
#include "app/mian.h"
#include "app/qt/Form1Window.h"
#include "app/qt/WindowScreen.h"

int runWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string title = applicationTitle(QCoreApplication::applicationFilePath().toStdString());
  Form1 form;
  WindowScreen front(form, title);
  screen::attach(&front);
  centreOnDesktop(&form);
  form.show();
  const int status = app.exec();
  screen::attach(nullptr);
  return status;
}
