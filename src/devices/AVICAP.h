#pragma once
// Typed operations over the capture window's messages: each sends exactly
// one message to the capture window and answers whether it answered nonzero.

#include <QString>
#include <cstdint>

#include "platform/capture/capture.h"
#include "platform/capture/dib.h"
#include "platform/runtime/vb.h"
#include "platform/window/window.h"

namespace devices {

using capture::CAPDRIVERCAPS;
using capture::CAPSTATUS;
using capture::capCreateCaptureWindowA;
using capture::capGetDriverDescriptionA;

constexpr std::int32_t WS_CHILD = win::WS_CHILD;
constexpr std::int32_t WS_VISIBLE = win::WS_VISIBLE;

rt::Bool16 capSetCallbackOnError(win::HWND hwnd, capture::CapErrorCallback proc);
rt::Bool16 capSetCallbackOnStatus(win::HWND hwnd, capture::CapStatusCallback proc);
rt::Bool16 capSetCallbackOnYield(win::HWND hwnd, capture::CapYieldCallback proc);
rt::Bool16 capSetCallbackOnFrame(win::HWND hwnd, capture::CapVideoCallback proc);
rt::Bool16 capSetCallbackOnVideoStream(win::HWND hwnd, capture::CapVideoCallback proc);
rt::Bool16 capSetCallbackOnWaveStream(win::HWND hwnd, capture::CapWaveCallback proc);
rt::Bool16 capSetCallbackOnCapControl(win::HWND hwnd, capture::CapControlCallback proc);

rt::Bool16 capDriverConnect(win::HWND hwnd, std::int32_t index);
rt::Bool16 capDriverDisconnect(win::HWND hwnd);
rt::Bool16 capDriverGetCaps(win::HWND hwnd, CAPDRIVERCAPS* caps, std::int32_t size);
// The name goes as a zero-terminated 8-bit copy, made for the call.
rt::Bool16 capFileSaveDIB(win::HWND hwnd, const QString& name);
// capFileSaveDIB that stores the frame in `format`, going on to the names
// `next` gives while the one asked for is taken, and tells what happened.
capture::FrameSave capFileSaveFrame(win::HWND hwnd, const QString& name, pictures::Format format,
                                    pictures::NextName next);
rt::Bool16 capDlgVideoFormat(win::HWND hwnd);
rt::Bool16 capDlgVideoSource(win::HWND hwnd);
rt::Bool16 capPreview(win::HWND hwnd, rt::Bool16 flag);
rt::Bool16 capPreviewRate(win::HWND hwnd, std::int32_t ms);
rt::Bool16 capPreviewScale(win::HWND hwnd, rt::Bool16 flag);
rt::Bool16 capGetStatus(win::HWND hwnd, CAPSTATUS* status, std::int32_t size);

}  // namespace devices
