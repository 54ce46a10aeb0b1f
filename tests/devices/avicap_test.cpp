#include <gtest/gtest.h>

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "devices/AVICAP.h"

namespace {

using namespace devices;
using namespace capture;

struct Sent {
  win::UINT msg;
  win::WPARAM wParam;
  win::LPARAM lParam;
  std::string text;  // what lParam pointed at, for the file name
};

class RecordingWindow : public QWidget, public win::MessageTarget {
 public:
  win::LRESULT windowProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) override {
    sent.push_back({msg, wParam, lParam,
                    msg == WM_CAP_FILE_SAVEDIBA && lParam ? std::string(reinterpret_cast<const char*>(lParam)) : ""});
    return answer;
  }
  std::vector<Sent> sent;
  win::LRESULT answer = 0;
};

win::LRESULT errorProc(win::HWND, std::int32_t, const char*) { return 0; }
win::LRESULT statusProc(win::HWND, std::int32_t, const char*) { return 0; }
win::LRESULT yieldProc(win::HWND) { return 0; }
win::LRESULT videoProc(win::HWND, void*) { return 0; }
win::LRESULT waveProc(win::HWND, void*) { return 0; }
win::LRESULT controlProc(win::HWND, std::int32_t) { return 0; }

template <class T>
win::LPARAM at(T pointer) {
  return reinterpret_cast<win::LPARAM>(pointer);
}

CAPDRIVERCAPS caps;
CAPSTATUS status;

struct Operation {
  const char* name;
  std::function<rt::Bool16(win::HWND)> call;
  win::UINT msg;
  win::WPARAM wParam;
  win::LPARAM lParam;
};

const std::vector<Operation>& operations() {
  static const std::vector<Operation> ops{
      {"error callback", [](win::HWND h) { return capSetCallbackOnError(h, errorProc); }, 1026, 0, at(&errorProc)},
      {"error cleared", [](win::HWND h) { return capSetCallbackOnError(h, nullptr); }, 1026, 0, 0},
      {"status callback", [](win::HWND h) { return capSetCallbackOnStatus(h, statusProc); }, 1027, 0, at(&statusProc)},
      {"status cleared", [](win::HWND h) { return capSetCallbackOnStatus(h, nullptr); }, 1027, 0, 0},
      {"yield", [](win::HWND h) { return capSetCallbackOnYield(h, yieldProc); }, 1028, 0, at(&yieldProc)},
      {"yield cleared", [](win::HWND h) { return capSetCallbackOnYield(h, nullptr); }, 1028, 0, 0},
      {"frame", [](win::HWND h) { return capSetCallbackOnFrame(h, videoProc); }, 1029, 0, at(&videoProc)},
      {"frame cleared", [](win::HWND h) { return capSetCallbackOnFrame(h, nullptr); }, 1029, 0, 0},
      {"video stream cleared", [](win::HWND h) { return capSetCallbackOnVideoStream(h, nullptr); }, 1030, 0, 0},
      {"wave stream", [](win::HWND h) { return capSetCallbackOnWaveStream(h, waveProc); }, 1031, 0, at(&waveProc)},
      {"wave stream cleared", [](win::HWND h) { return capSetCallbackOnWaveStream(h, nullptr); }, 1031, 0, 0},
      {"cap control", [](win::HWND h) { return capSetCallbackOnCapControl(h, controlProc); }, 1109, 0,
       at(&controlProc)},
      {"cap control cleared", [](win::HWND h) { return capSetCallbackOnCapControl(h, nullptr); }, 1109, 0, 0},
      {"connect 0", [](win::HWND h) { return capDriverConnect(h, 0); }, 1034, 0, 0},
      {"connect 3", [](win::HWND h) { return capDriverConnect(h, 3); }, 1034, 3, 0},
      {"disconnect", [](win::HWND h) { return capDriverDisconnect(h); }, 1035, 0, 0},
      {"caps", [](win::HWND h) { return capDriverGetCaps(h, &caps, 44); }, 1038, 44, at(&caps)},
      {"format dialog", [](win::HWND h) { return capDlgVideoFormat(h); }, 1065, 0, 0},
      {"source dialog", [](win::HWND h) { return capDlgVideoSource(h); }, 1066, 0, 0},
      {"preview on", [](win::HWND h) { return capPreview(h, rt::True); }, 1074, -1, 0},
      {"preview off", [](win::HWND h) { return capPreview(h, rt::False); }, 1074, 0, 0},
      {"preview rate", [](win::HWND h) { return capPreviewRate(h, 1); }, 1076, 1, 0},
      {"scale on", [](win::HWND h) { return capPreviewScale(h, rt::True); }, 1077, -1, 0},
      {"scale off", [](win::HWND h) { return capPreviewScale(h, rt::False); }, 1077, 0, 0},
      {"status", [](win::HWND h) { return capGetStatus(h, &status, 76); }, 1078, 76, at(&status)},
  };
  return ops;
}

TEST(Avicap, EachOperationSendsOneMessageAndReadsAnyNonzeroAnswerAsTrue) {
  RecordingWindow window;
  const win::HWND hwnd = win::handleOf(&window);
  for (const Operation& op : operations()) {
    for (win::LRESULT answer : {7, 1, -1, 0}) {
      SCOPED_TRACE(std::string(op.name) + " answering " + std::to_string(answer));
      window.sent.clear();
      window.answer = answer;
      EXPECT_EQ(op.call(hwnd), answer ? rt::True : rt::False);
      ASSERT_EQ(window.sent.size(), 1u);
      EXPECT_EQ(window.sent[0].msg, op.msg);
      EXPECT_EQ(window.sent[0].wParam, op.wParam);
      EXPECT_EQ(window.sent[0].lParam, op.lParam);
    }
  }
}

TEST(Avicap, SaveSendsAnEightBitCopyOfTheName) {
  RecordingWindow window;
  window.answer = 1;
  const QString name = QStringLiteral("/home/user/Pictures/Bilder \u00e4/MOR0042.bmp");
  EXPECT_EQ(capFileSaveDIB(win::handleOf(&window), name), rt::True);
  ASSERT_EQ(window.sent.size(), 1u);
  EXPECT_EQ(window.sent[0].msg, 1049u);
  EXPECT_EQ(window.sent[0].wParam, 0);
  EXPECT_EQ(window.sent[0].text, name.toLocal8Bit().toStdString());
}

TEST(Avicap, NoWindowMeansFalse) {
  auto* gone = new RecordingWindow;
  gone->answer = 1;
  const win::HWND stale = win::handleOf(gone);
  delete gone;
  for (win::HWND hwnd : {win::HWND(0), stale})
    for (const Operation& op : operations()) EXPECT_EQ(op.call(hwnd), rt::False) << op.name;
  EXPECT_EQ(capFileSaveDIB(stale, "x.bmp"), rt::False);
}

}  // namespace
