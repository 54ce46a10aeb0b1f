#pragma once
// Where the running program answers on the session bus. The id is also the
// name of the desktop entry and of the AppStream metadata.

namespace remote {

inline constexpr char kAppId[] = "io.github.video_image_capture";
inline constexpr char kServiceName[] = "io.github.video_image_capture";
inline constexpr char kObjectPath[] = "/io/github/video_image_capture";
inline constexpr char kInterface[] = "io.github.video_image_capture.Capture";
// The capture was refused or went wrong; the error's text is what the
// program tells its user.
inline constexpr char kFailedError[] = "io.github.video_image_capture.Error.Failed";

}  // namespace remote
