#pragma once
// The scanner capture window.

#include "app/Form2_design.h"

namespace twain {

class Form2 : public app::Form2Design {
  Q_OBJECT
 public:
  void mnuLive_Click() override;
};

}  // namespace twain
