#pragma once
// The main window Form1: the instructions text, the two command buttons,
// the progress label and its timer. The behaviour behind the controls lives
// in app/mian.h; this class only lays the controls out and wires them up.
#include <QWidget>

class QLabel;
class QTextEdit;
class QPushButton;
class QTimer;

class Form1 : public QWidget {
  Q_OBJECT

 public:
  explicit Form1(QWidget* parent = nullptr);

  QTextEdit* mmo1() const { return mmo1_; }
  QPushButton* updatBtn() const { return updatBtn_; }
  QPushButton* bfBtn() const { return bfBtn_; }
  QLabel* lbl1() const { return lbl1_; }
  QTimer* tmr1() const { return tmr1_; }

  // Runs a command as a click on a button does: an error that escapes it
  // goes to the default error report, and a close request made meanwhile
  // waits until it has returned.
  void runCommand(void (*command)());
  bool commandRunning() const { return commandDepth_ > 0; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void createControls();

  QTextEdit* mmo1_;
  QPushButton* updatBtn_;
  QPushButton* bfBtn_;
  QLabel* lbl1_;
  QTimer* tmr1_;
  int commandDepth_ = 0;
  bool closePending_ = false;
};

// Tahoma with an 11-pixel character height; a CJK font stands behind it so
// that the Chinese texts render where Tahoma is missing.
QFont form1Font();
// Centres a window of the given size on the primary screen.
void centreOnDesktop(QWidget* window);
