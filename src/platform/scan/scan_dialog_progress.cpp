#include "platform/scan/scan_dialog_progress.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSocketNotifier>
#include <QVBoxLayout>

#include <poll.h>

#include <algorithm>

#include "platform/runtime/window_fit.h"

namespace scan {

namespace {
// Often enough to feel immediate, rarely enough not to slow a fast device.
constexpr int kPumpIntervalMs = 20;
}  // namespace

ScanProgressDialog::ScanProgressDialog(QWidget* parent, const QString& title) : QDialog(parent) {
  setWindowTitle(title);
  setObjectName("scanProgressDialog");
  auto* layout = new QVBoxLayout(this);
  page_ = new QLabel(this);
  page_->setObjectName("pageLabel");
  layout->addWidget(page_);
  bar_ = new QProgressBar(this);
  bar_->setObjectName("progressBar");
  bar_->setFormat("%p%");
  layout->addWidget(bar_);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("cancelButton");
  layout->addWidget(cancel, 0, Qt::AlignRight);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  // Its content alone would leave the title cut short.
  setMinimumWidth(rt::WithinScreenWidth(std::max(sizeHint().width(), rt::TitleBarWidth(title)), *this));
}

void ScanProgressDialog::setPage(int page) { page_->setText("Page " + QString::number(page)); }

void ScanProgressDialog::setProgress(std::size_t received, std::size_t expected) {
  if (expected == 0) {
    bar_->setRange(0, 0);  // unknown length: a busy indicator
    return;
  }
  bar_->setRange(0, 1000);
  bar_->setValue(static_cast<int>(std::min<std::size_t>(1000, received * 1000 / expected)));
}

ScanProgress::ScanProgress(QWidget* owner, const QString& title) : owner_(owner), title_(title) {
  showTimer_.setSingleShot(true);
  QObject::connect(&showTimer_, &QTimer::timeout, [this] { showWindow(); });
  showTimer_.start(kProgressDelayMs);
  sincePump_.start();
}

ScanProgress::~ScanProgress() { delete window_.data(); }

void ScanProgress::startPage(int page) {
  page_ = page;
  received_ = 0;
  expected_ = 0;
  if (window_) {
    window_->setPage(page);
    window_->setProgress(0, 0);
  }
}

void ScanProgress::requestCancel() {
  cancelled_ = true;
  if (waiting_) waiting_->quit();
}

void ScanProgress::pump() {
  if (sincePump_.elapsed() < kPumpIntervalMs) return;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  sincePump_.restart();
}

void ScanProgress::waitReadable(int fd) {
  if (cancelled_) return;
  // Until the window is due its next turn, the wait is poll() alone: a page
  // comes in thousands of pieces, and an event loop entered for each of them
  // cost a run more processor time than its reading.
  for (;;) {
    const qint64 left = kPumpIntervalMs - sincePump_.elapsed();
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, static_cast<int>(std::max<qint64>(left, 0))) != 0) {  // data, its end, or a bad descriptor
      pump();
      return;
    }
    if (left <= 0) break;
  }
  QSocketNotifier notifier(static_cast<qintptr>(fd), QSocketNotifier::Read);
  QEventLoop loop;
  QObject::connect(&notifier, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
  waiting_ = &loop;
  loop.exec();
  waiting_ = nullptr;
  sincePump_.restart();
}

void ScanProgress::progress(std::size_t received, std::size_t expected) {
  received_ = received;
  expected_ = expected;
  if (window_) window_->setProgress(received, expected);
}

void ScanProgress::showWindow() {
  if (window_ || cancelled_) return;
  window_ = new ScanProgressDialog(owner_ ? owner_->window() : nullptr, title_);
  window_->setWindowModality(Qt::ApplicationModal);
  QObject::connect(window_, &QDialog::rejected, [this] { requestCancel(); });
  window_->setPage(page_);
  window_->setProgress(received_, expected_);
  window_->show();
}

}  // namespace scan
