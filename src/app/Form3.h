#pragma once
// The viewer: the last picture, stretched to fill its area, and the path of
// the current file. It has no behaviour; the capture windows fill it.

#include <QLabel>

#include "platform/runtime/form.h"

namespace app {

class Form3Window : public rt::Form {
  Q_OBJECT
 public:
  Form3Window();

  QLabel* lbFilename;
  QLabel* Image1;  // stretches its picture to its own size
};

}  // namespace app
