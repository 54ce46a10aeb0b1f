#pragma once
// Keeps the program responsive while pages are read, and shows a progress
// window with the page's number, its percentage and Cancel once reading
// takes longer than a moment. One object may serve several pages in turn (the
// pages of a feeder), so that one window stays up for all of them.

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include "platform/scan/sane_page.h"

class QEventLoop;
class QLabel;
class QProgressBar;

namespace scan {

// Object names: "scanProgressDialog", "pageLabel", "progressBar", "cancelButton".
class ScanProgressDialog : public QDialog {
 public:
  ScanProgressDialog(QWidget* parent, const QString& title);
  void setPage(int page);
  void setProgress(std::size_t received, std::size_t expected);

 private:
  QLabel* page_;
  QProgressBar* bar_;
};

constexpr int kProgressDelayMs = 500;

class ScanProgress final : public ReadObserver {
 public:
  ScanProgress(QWidget* owner, const QString& title);
  ~ScanProgress() override;
  ScanProgress(const ScanProgress&) = delete;
  ScanProgress& operator=(const ScanProgress&) = delete;

  // A new page, counting from 1, starts with nothing received.
  void startPage(int page);

  // Safe from any handler that runs while the page is read. Once cancelled,
  // every later page is cancelled as well.
  void requestCancel();

  bool cancelled() override { return cancelled_; }
  void pump() override;
  void waitReadable(int fd) override;
  void progress(std::size_t received, std::size_t expected) override;

 private:
  void showWindow();

  QPointer<QWidget> owner_;
  QString title_;
  QTimer showTimer_;
  QPointer<ScanProgressDialog> window_;
  QEventLoop* waiting_ = nullptr;
  QElapsedTimer sincePump_;
  bool cancelled_ = false;
  int page_ = 1;
  std::size_t received_ = 0;
  std::size_t expected_ = 0;
};

}  // namespace scan
