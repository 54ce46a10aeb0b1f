#pragma once
// The two records the capture window fills in, in the platform's published
// 32-bit layout (every field 4 bytes, no padding).

#include <cstdint>

namespace capture {

struct CAPDRIVERCAPS {
  std::uint32_t wDeviceIndex;
  std::int32_t fHasOverlay;
  std::int32_t fHasDlgVideoSource;
  std::int32_t fHasDlgVideoFormat;
  std::int32_t fHasDlgVideoDisplay;
  std::int32_t fCaptureInitialized;
  std::int32_t fDriverSuppliesPalettes;
  std::uint32_t hVideoIn;
  std::uint32_t hVideoOut;
  std::uint32_t hVideoExtIn;
  std::uint32_t hVideoExtOut;
};
static_assert(sizeof(CAPDRIVERCAPS) == 44);

struct CAPSTATUS {
  std::uint32_t uiImageWidth;
  std::uint32_t uiImageHeight;
  std::int32_t fLiveWindow;
  std::int32_t fOverlayWindow;
  std::int32_t fScale;
  std::int32_t ptScrollX;
  std::int32_t ptScrollY;
  std::int32_t fUsingDefaultPalette;
  std::int32_t fAudioHardware;
  std::int32_t fCapFileExists;
  std::uint32_t dwCurrentVideoFrame;
  std::uint32_t dwCurrentVideoFramesDropped;
  std::uint32_t dwCurrentWaveSamples;
  std::uint32_t dwCurrentTimeElapsedMS;
  std::uint32_t hPalCurrent;
  std::int32_t fCapturingNow;
  std::uint32_t dwReturn;
  std::uint32_t wNumVideoAllocated;
  std::uint32_t wNumAudioAllocated;
};
static_assert(sizeof(CAPSTATUS) == 76);

}  // namespace capture
