// Form1 on the offscreen platform: layout, busy state, progress label,
// nested clicks, message boxes and the default error report.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/mian.h"
#include "app/qt/Form1Window.h"
#include "app/qt/WindowScreen.h"
#include "base/OvexError.h"

namespace {

const char kTitle[] = "Updateovexznp";

QString q(const char* utf8) { return QString::fromUtf8(utf8); }

// The window's screen with message boxes recorded instead of shown.
class RecordingWindowScreen : public WindowScreen {
 public:
  using WindowScreen::WindowScreen;
  void showMessage(const std::string& text) override { messages.push_back(text); }
  void showError(const std::string& text) override { errors.push_back(text); }
  std::vector<std::string> messages;
  std::vector<std::string> errors;
};

Form1* g_form = nullptr;

// Commands for runCommand, standing in for the real ones.
void clickBackupMeanwhile() {
  showBusy();
  QMetaObject::invokeMethod(g_form->bfBtn(), "click", Qt::QueuedConnection);
  QMetaObject::invokeMethod(g_form->updatBtn(), "click", Qt::QueuedConnection);
  screen::processMessages();
  hideBusy();
}

void failAfterShowBusy() {
  showBusy();
  throw OvexError("数据库连接失败");
}

void closeMeanwhile() {
  QMetaObject::invokeMethod(g_form, "close", Qt::QueuedConnection);
  screen::processMessages();
  if (!g_form->isVisible()) throw OvexError("closed while the command ran");
}

// Answers the message box that opens next: checks what it shows, lets the
// timer tick while it is open, then presses Enter.
struct BoxAnswer {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  bool modal = false;
  bool waitForTick = false;
  bool ticked = false;
  QString labelWhileOpen;
};

void answerNextBox(BoxAnswer* seen) {
  QTimer::singleShot(0, [seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen->title = box->windowTitle();
    seen->text = box->text();
    seen->icon = box->icon();
    seen->buttons = box->standardButtons();
    seen->modal = box->isModal();
    const QString before = g_form->lbl1()->text();
    if (seen->waitForTick)
      seen->ticked = QTest::qWaitFor([&] { return g_form->lbl1()->text() != before; }, 5000);
    seen->labelWhileOpen = g_form->lbl1()->text();
    QTest::keyClick(box, Qt::Key_Return);
  });
}

}  // namespace

class Form1Test : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    busyFlag.clear();
    form_ = std::make_unique<Form1>();
    g_form = form_.get();
    front_ = std::make_unique<RecordingWindowScreen>(*form_, kTitle);
    screen::attach(front_.get());
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  }

  void cleanup() {
    screen::attach(nullptr);
    front_.reset();
    g_form = nullptr;
    form_.reset();
  }

  void windowHasTheDesignedFrameAndControls() {
    QCOMPARE(form_->windowTitle(), q(form1::kCaption));
    QCOMPARE(form_->size(), QSize(437, 199));
    QCOMPARE(form_->minimumSize(), form_->maximumSize());
    const Qt::WindowFlags flags = form_->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(form_->isWindow());
    QCOMPARE(form_->font().pixelSize(), 11);
    QCOMPARE(form_->font().families().value(0), QString("Tahoma"));

    QCOMPARE(form_->findChild<QTextEdit*>("mmo1"), form_->mmo1());
    QCOMPARE(form_->mmo1()->geometry(), QRect(32, 8, 369, 98));
    QCOMPARE(form_->mmo1()->toPlainText(), q(form1::kInstructions));
    QVERIFY(form_->mmo1()->isReadOnly());
    QCOMPARE(form_->mmo1()->lineWrapMode(), QTextEdit::WidgetWidth);
    QCOMPARE(form_->mmo1()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(form_->mmo1()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    QCOMPARE(form_->findChild<QPushButton*>("updatBtn"), form_->updatBtn());
    QCOMPARE(form_->updatBtn()->geometry(), QRect(104, 112, 75, 25));
    QCOMPARE(form_->updatBtn()->text(), q("升级"));
    QCOMPARE(form_->findChild<QPushButton*>("bfBtn"), form_->bfBtn());
    QCOMPARE(form_->bfBtn()->geometry(), QRect(224, 112, 75, 25));
    QCOMPARE(form_->bfBtn()->text(), q("备份"));

    QCOMPARE(form_->findChild<QLabel*>("lbl1"), form_->lbl1());
    QCOMPARE(form_->lbl1()->pos(), QPoint(32, 152));
    QCOMPARE(form_->lbl1()->text(), q(form1::kLabelInitial));
    QVERIFY(!form_->lbl1()->isVisible());

    QCOMPARE(form_->findChild<QTimer*>("tmr1"), form_->tmr1());
    QVERIFY(!form_->tmr1()->isActive());
  }

  void tabOrderRunsFromTheTextToBothButtons() {
    QApplication::setActiveWindow(form_.get());
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    QCOMPARE(QApplication::focusWidget(), form_->mmo1());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form_->updatBtn());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form_->bfBtn());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form_->mmo1());
  }

  void allSevenInstructionLinesFitTheBox() {
    QTextEdit* memo = form_->mmo1();
    QCOMPARE(memo->document()->blockCount(), 7);
    QTextCursor end(memo->document());
    end.movePosition(QTextCursor::End);
    const QRect lastLine = memo->cursorRect(end);
    QVERIFY2(lastLine.top() >= 0 && lastLine.bottom() < memo->viewport()->height(),
             qPrintable(QString("last line ends at %1 of %2")
                            .arg(lastLine.bottom())
                            .arg(memo->viewport()->height())));
  }

  void busyStateShowsTheLabelAndRunsTheTimer() {
    showBusy();
    QCOMPARE(busyFlag, std::string("1"));
    QVERIFY(form_->lbl1()->isVisible());
    QVERIFY(form_->tmr1()->isActive());
    QCOMPARE(form_->tmr1()->interval(), 300);

    hideBusy();
    QCOMPARE(busyFlag, std::string("0"));
    QVERIFY(!form_->lbl1()->isVisible());
    QVERIFY(!form_->tmr1()->isActive());
  }

  void labelAlternatesOnTicksAndResumesFromItsLastText() {
    showBusy();
    QTRY_COMPARE(form_->lbl1()->text(), q(form1::kLabelWait));  // the first tick
    QTRY_COMPARE(form_->lbl1()->text(), q(form1::kLabelPatience));
    hideBusy();
    QCOMPARE(form_->lbl1()->text(), q(form1::kLabelPatience));
    QVERIFY(!form_->lbl1()->isVisible());

    showBusy();
    QTRY_COMPARE(form_->lbl1()->text(), q(form1::kLabelWait));
    hideBusy();
    showBusy();
    QTRY_COMPARE(form_->lbl1()->text(), q(form1::kLabelPatience));
    hideBusy();
  }

  void tickShowsTheLabelAndTogglesAnyOtherTextToWait() {
    front_->setLabelText("x");
    tmr1Timer();
    QVERIFY(form_->lbl1()->isVisible());
    QCOMPARE(form_->lbl1()->text(), q(form1::kLabelWait));
    tmr1Timer();
    QCOMPARE(form_->lbl1()->text(), q(form1::kLabelPatience));
    QVERIFY(form_->lbl1()->width() > 0);
  }

  void clickWhileBusyOnlyShowsTheBusyMessage() {
    showBusy();
    const QString label = form_->lbl1()->text();
    QTest::mouseClick(form_->bfBtn(), Qt::LeftButton);
    QTest::mouseClick(form_->updatBtn(), Qt::LeftButton);
    const std::vector<std::string> busy(2, form1::kBusyMessage);
    QCOMPARE(front_->messages, busy);
    QVERIFY(front_->errors.empty());
    QCOMPARE(busyFlag, std::string("1"));
    QVERIFY(form_->tmr1()->isActive());
    QVERIFY(form_->lbl1()->isVisible());
    hideBusy();
  }

  void anythingButOneCountsAsIdle() {
    for (const char* flag : {"", "0", "2", "busy", " 1"}) {
      busyFlag = flag;
      QVERIFY(!refuseWhenBusy());
    }
    QVERIFY(front_->messages.empty());
    busyFlag = "1";
    QVERIFY(refuseWhenBusy());
    QCOMPARE(front_->messages, std::vector<std::string>{form1::kBusyMessage});
  }

  void clickArrivingWhileACommandProcessesMessagesIsRefused() {
    form_->runCommand(clickBackupMeanwhile);
    const std::vector<std::string> busy(2, form1::kBusyMessage);
    QCOMPARE(front_->messages, busy);
    QVERIFY(front_->errors.empty());
    QCOMPARE(busyFlag, std::string("0"));
    QVERIFY(!form_->commandRunning());
  }

  void errorReachesTheReportAndLeavesTheToolBusy() {
    form_->runCommand(failAfterShowBusy);
    QCOMPARE(front_->errors, std::vector<std::string>{"数据库连接失败."});
    QCOMPARE(busyFlag, std::string("1"));
    QVERIFY(form_->tmr1()->isActive());
    QTest::mouseClick(form_->updatBtn(), Qt::LeftButton);
    QCOMPARE(front_->messages, std::vector<std::string>{form1::kBusyMessage});
    hideBusy();
  }

  void closeRequestWaitsForTheRunningCommand() {
    form_->runCommand(closeMeanwhile);
    QVERIFY(front_->errors.empty());
    QVERIFY(!form_->isVisible());
  }

  void messageBoxIsModalWithTitleOkOnlyNoIconAndTimerTicking() {
    WindowScreen real(*form_, kTitle);
    screen::attach(&real);
    showBusy();
    BoxAnswer seen;
    seen.waitForTick = true;
    answerNextBox(&seen);
    screen::showMessage(form1::kBusyMessage);
    hideBusy();
    QCOMPARE(seen.title, QString(kTitle));
    QCOMPARE(seen.text, q(form1::kBusyMessage));
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(seen.modal);
    QVERIFY(seen.ticked);
    QCOMPARE(seen.labelWhileOpen, q(form1::kLabelWait));
  }

  void errorReportBoxHasTheErrorIconAndCompletedText() {
    WindowScreen real(*form_, kTitle);
    screen::attach(&real);
    const struct {
      const char* message;
      const char* shown;
    } cases[] = {{"abc", "abc."}, {"abc.", "abc."}, {"abc!", "abc!"}, {"a/", "a/."},
                 {"失败", "失败."}, {"", ""}};
    for (const auto& c : cases) {
      BoxAnswer seen;
      answerNextBox(&seen);
      screen::showError(c.message);
      QCOMPARE(seen.text, q(c.shown));
      QCOMPARE(seen.icon, QMessageBox::Critical);
      QCOMPARE(seen.title, QString(kTitle));
      QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
  }

  void applicationTitleIsTheNameUpToTheFirstDotInLowerCase() {
    QCOMPARE(applicationTitle("/opt/tool/UpdateOvexZNP"), std::string("Updateovexznp"));
    QCOMPARE(applicationTitle("C:\\Tools\\UpdateOvexZNP.exe"), std::string("Updateovexznp"));
    QCOMPARE(applicationTitle("/a.b/Up.Date.exe"), std::string("Up"));
    QCOMPARE(applicationTitle("升级ABC.exe"), std::string("升级abc"));
    QCOMPARE(applicationTitle("x"), std::string("x"));
  }

 private:
  std::unique_ptr<Form1> form_;
  std::unique_ptr<RecordingWindowScreen> front_;
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
