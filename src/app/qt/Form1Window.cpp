#include "app/qt/Form1Window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include "app/mian.h"

namespace {

constexpr int kClientWidth = 437;
constexpr int kClientHeight = 199;

constexpr int kLineHeight = 13;  // of an 11-pixel Tahoma line

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

// Lines as tall as Tahoma's, whatever font stands in for it, so that the
// seven lines of the instructions fit in the box as designed.
void useTahomaLineHeight(QTextEdit* memo) {
  memo->document()->setDocumentMargin(2);
  QTextCursor all(memo->document());
  all.select(QTextCursor::Document);
  QTextBlockFormat format;
  format.setLineHeight(kLineHeight, QTextBlockFormat::FixedHeight);
  all.mergeBlockFormat(format);
}

// A fixed dialog frame: title and close button, no minimise or maximise
// button, no resizing.
constexpr Qt::WindowFlags kFrame = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                   Qt::MSWindowsFixedSizeDialogHint;

QTextEdit* makeMemo(QWidget* parent) {
  auto* memo = new QTextEdit(parent);
  memo->setObjectName("mmo1");
  memo->setGeometry(32, 8, 369, 98);
  memo->setAcceptRichText(false);
  memo->setPlainText(text(form1::kInstructions));
  useTahomaLineHeight(memo);
  memo->setReadOnly(true);
  memo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  memo->setFocusPolicy(Qt::StrongFocus);
  memo->setLineWrapMode(QTextEdit::WidgetWidth);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return memo;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption, int left) {
  auto* button = new QPushButton(text(caption), parent);
  button->setObjectName(name);
  button->setGeometry(left, 112, 75, 25);
  // Enter presses the focused button, as on the target platform.
  button->setAutoDefault(true);
  return button;
}

// The label's colour is red, but like a themed label it paints no background
// of its own, so the red never shows: the text keeps the window-text colour.
QLabel* makeLabel(QWidget* parent) {
  auto* label = new QLabel(text(form1::kLabelInitial), parent);
  label->setObjectName("lbl1");
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, Qt::red);
  label->setPalette(palette);
  label->setAutoFillBackground(false);
  label->move(32, 152);
  label->adjustSize();
  label->hide();
  return label;
}

}  // namespace

QFont form1Font() {
  QFont font;
  font.setFamilies({"Tahoma", "WenQuanYi Zen Hei"});
  font.setPixelSize(11);
  return font;
}

void centreOnDesktop(QWidget* window) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect desktop = screen->geometry();
  window->move(desktop.x() + (desktop.width() - window->width()) / 2,
               desktop.y() + (desktop.height() - window->height()) / 2);
}

Form1::Form1(QWidget* parent) : QWidget(parent, kFrame) {
  setObjectName("Form1");
  setWindowTitle(text(form1::kCaption));
  setFixedSize(kClientWidth, kClientHeight);
  setFont(form1Font());
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  setPalette(palette);
  setAutoFillBackground(true);
  createControls();
}

void Form1::createControls() {
  mmo1_ = makeMemo(this);
  updatBtn_ = makeButton(this, "updatBtn", "升级", 104);
  bfBtn_ = makeButton(this, "bfBtn", "备份", 224);
  lbl1_ = makeLabel(this);
  tmr1_ = new QTimer(this);
  tmr1_->setObjectName("tmr1");
  tmr1_->setInterval(300);

  setTabOrder(mmo1_, updatBtn_);
  setTabOrder(updatBtn_, bfBtn_);
  mmo1_->setFocus();

  connect(updatBtn_, &QPushButton::clicked, this, [this] { runCommand(updatBtnClick); });
  connect(bfBtn_, &QPushButton::clicked, this, [this] { runCommand(bfBtnClick); });
  connect(tmr1_, &QTimer::timeout, this, [] { tmr1Timer(); });
}

void Form1::runCommand(void (*command)()) {
  ++commandDepth_;
  runWithErrorReport(command);
  --commandDepth_;
  if (commandDepth_ == 0 && closePending_) {
    closePending_ = false;
    close();
  }
}

// A close request made while a command runs takes effect once the command
// has returned to the message loop.
void Form1::closeEvent(QCloseEvent* event) {
  if (commandDepth_ > 0) {
    closePending_ = true;
    event->ignore();
    return;
  }
  event->accept();
}
