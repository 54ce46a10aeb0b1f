#pragma once

#include "app/frmAbout_design.h"

namespace about {

class frmAbout : public app::frmAboutDesign {
  Q_OBJECT
 public:
  void cmdOK_Click() override;
  // The three lines are plain text; a click does nothing.
  void lblAbout_Click(std::int16_t Index) override;
};

}  // namespace about
