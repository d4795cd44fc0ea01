#include "app/qt/WindowScreen.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <utility>

#include "app/qt/Form1Window.h"

namespace {

// Modal, OK only; Enter, Space, Escape, the close button and a click on OK
// all dismiss it. Timer ticks go on while it is open.
void showBox(QWidget* owner, const std::string& title, const std::string& text,
             QMessageBox::Icon icon) {
  QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text),
                  QMessageBox::Ok, owner);
  box.setObjectName("messageBox");
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace

WindowScreen::WindowScreen(Form1& form, std::string title) : form_(form), title_(std::move(title)) {}

void WindowScreen::showMessage(const std::string& text) {
  showBox(&form_, title_, text, QMessageBox::NoIcon);
}

void WindowScreen::showError(const std::string& text) {
  showBox(&form_, title_, text, QMessageBox::Critical);
}

void WindowScreen::processMessages() { QCoreApplication::processEvents(); }

void WindowScreen::setLabelVisible(bool visible) { form_.lbl1()->setVisible(visible); }

std::string WindowScreen::labelText() const { return form_.lbl1()->text().toStdString(); }

void WindowScreen::setLabelText(const std::string& text) {
  form_.lbl1()->setText(QString::fromStdString(text));
  form_.lbl1()->adjustSize();
}

void WindowScreen::startTimer(int intervalMs) { form_.tmr1()->start(intervalMs); }

void WindowScreen::stopTimer() { form_.tmr1()->stop(); }
