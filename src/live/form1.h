#pragma once
// The live capture window.

#include "app/form1_design.h"

namespace live {

class form1 : public app::form1Design {
  Q_OBJECT
 public:
  void Form_Load() override;
  void Form_Unload(std::int16_t& Cancel) override;
  void mnuExit_Click() override;
  void mnuTwain_Click() override;
  void mnuAbout_Click() override;

  // Capturing stills and choosing their names.
  QString NextNumberedName();
  void mnuCapFrame_Click() override;
  void mnuSaveFrame_Click() override;
};

}  // namespace live
