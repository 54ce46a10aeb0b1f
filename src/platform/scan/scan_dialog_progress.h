#pragma once
// Keeps the program responsive while a page is read, and shows a progress
// window with Cancel once the page takes longer than a moment.

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include "platform/scan/sane_page.h"

class QEventLoop;
class QProgressBar;

namespace scan {

// Object names: "scanProgressDialog", "progressBar", "cancelButton".
class ScanProgressDialog : public QDialog {
 public:
  ScanProgressDialog(QWidget* parent, const QString& title);
  void setProgress(std::size_t received, std::size_t expected);

 private:
  QProgressBar* bar_;
};

constexpr int kProgressDelayMs = 500;

class ScanProgress final : public ReadObserver {
 public:
  ScanProgress(QWidget* owner, const QString& title);
  ~ScanProgress() override;
  ScanProgress(const ScanProgress&) = delete;
  ScanProgress& operator=(const ScanProgress&) = delete;

  // Safe from any handler that runs while the page is read.
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
  std::size_t received_ = 0;
  std::size_t expected_ = 0;
};

}  // namespace scan
