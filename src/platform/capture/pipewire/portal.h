#pragma once
// The desktop's Camera portal: asks the user for access to the cameras and
// hands over a PipeWire connection that holds only them.

#include <QString>

namespace capture::pw {

struct PortalAccess {
  enum class Answer { Absent, Granted, Refused };
  Answer answer = Answer::Absent;
  int fd = -1;     // Granted: the remote, the caller's to close
  QString reason;  // Refused: what the portal said, for the user
};

// Absent when no portal answers on the session bus or it has no Camera interface.
PortalAccess askCameraPortal();
// A fresh remote after access was granted once; -1 when the portal gives none.
int openCameraRemote();

}  // namespace capture::pw
