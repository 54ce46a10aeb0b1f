#pragma once
// A capture window on a host widget, with a catalog of one fake camera and
// the test pattern, and callbacks that record what they are told.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "capture_test_util.h"
#include "fake_v4l2.h"
#include "platform/capture/capture.h"
#include "platform/capture/capture_window.h"
#include "platform/capture/catalog.h"
#include "platform/capture/test_pattern.h"
#include "platform/capture/v4l2_camera.h"
#include "support/test_env.h"

namespace capture_test {

inline const QString kCameraKey = QStringLiteral("/dev/v4l/by-id/usb-Fake_Camera-video-index0");

struct FakeCatalog : capture::DeviceCatalog {
  explicit FakeCatalog(fake::Camera& c) : camera(c) {}
  std::vector<capture::DeviceInfo> list() override {
    std::vector<capture::DeviceInfo> devices;
    if (camera.present) devices.push_back({kCameraKey, "Fake Camera"});
    devices.push_back({capture::kTestPatternKey, "Test pattern"});
    return devices;
  }
  std::unique_ptr<capture::CaptureDevice> make(const capture::DeviceInfo& info) override {
    if (info.key == capture::kTestPatternKey) return std::make_unique<capture::TestPattern>();
    return std::make_unique<capture::V4l2Camera>(info.key.toStdString(), info.name, camera.opener());
  }
  fake::Camera& camera;
};

struct Call {
  std::int32_t id;
  std::string text;
};

struct Recorder {
  static inline std::vector<Call> status, errors;
  static inline std::function<void(const Call&)> onStatus, onError;
  static win::LRESULT statusProc(win::HWND, std::int32_t id, const char* text) {
    status.push_back({id, text});
    if (onStatus) onStatus(status.back());
    return 0;
  }
  static win::LRESULT errorProc(win::HWND, std::int32_t id, const char* text) {
    errors.push_back({id, text});
    if (onError) onError(errors.back());
    return 0;
  }
  static void reset() {
    status.clear();
    errors.clear();
    onStatus = nullptr;
    onError = nullptr;
  }
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QFile::remove(testing_support::configDir() + "/capture.ini");
    Recorder::reset();
    capture::setDeviceCatalog(&catalog);
    host.resize(640, 480);
    openWindow();
  }
  void openWindow() {
    hwnd = capture::capCreateCaptureWindowA("Capture", win::WS_CHILD | win::WS_VISIBLE, 0, 0, 320, 240,
                                            win::handleOf(&host), 0);
    ASSERT_NE(hwnd, 0u);
    send(capture::WM_CAP_SET_CALLBACK_STATUSA, 0, reinterpret_cast<win::LPARAM>(&Recorder::statusProc));
    send(capture::WM_CAP_SET_CALLBACK_ERRORA, 0, reinterpret_cast<win::LPARAM>(&Recorder::errorProc));
  }
  void TearDown() override {
    Recorder::reset();
    closeWindow();
    capture::setDeviceCatalog(nullptr);
  }
  void closeWindow() {
    win::DestroyWindow(hwnd);
    testing_support::settle();
  }

  win::LRESULT send(win::UINT msg, win::WPARAM wParam = 0, win::LPARAM lParam = 0) {
    return win::SendMessageA(hwnd, msg, wParam, lParam);
  }
  capture::CaptureWindow* window() { return dynamic_cast<capture::CaptureWindow*>(win::widgetOf(hwnd)); }
  void use(const QString& key) { capture::rememberDevice(key); }
  bool connect() { return send(capture::WM_CAP_DRIVER_CONNECT, 0) != 0; }
  capture::CAPSTATUS status() {
    capture::CAPSTATUS s{};
    EXPECT_NE(send(capture::WM_CAP_GET_STATUS, sizeof s, reinterpret_cast<win::LPARAM>(&s)), 0);
    return s;
  }
  bool saveTo(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    return send(capture::WM_CAP_FILE_SAVEDIBA, 0, reinterpret_cast<win::LPARAM>(name.constData())) != 0;
  }
  // Generous: a real daemon's first frame comes late on a loaded machine.
  bool waitForFrame() {
    return runUntil([&] { return window() && !window()->newestFrame().isNull(); }, 20000);
  }

  fake::Camera camera;
  FakeCatalog catalog{camera};
  QWidget host;
  win::HWND hwnd = 0;
};

// Capture window tests that answer the window's dialogs as a user would.
class DialogTest : public WindowTest {
 protected:
  template <class W>
  static W* child(QDialog& dialog, const QString& name) {
    auto* w = dialog.findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
  }
  static void pick(QComboBox* box, const QString& text) {
    const int at = box->findText(text);
    ASSERT_GE(at, 0) << text.toStdString();
    box->setCurrentIndex(at);
  }
  // Runs the dialog `msg` opens; `steps` act on it, `answer` closes it.
  int runDialog(win::UINT msg, const std::function<void(QDialog&)>& steps, int answer = QDialog::Accepted) {
    dialogs.onModal = [&](QDialog& dialog) {
      steps(dialog);
      return answer;
    };
    return int(send(msg));
  }

  testing_support::FakeDialogs dialogs;
};

}  // namespace capture_test
