#pragma once
// The scanner capture window: chooses the scanner and acquires page after
// page to numbered files, then asks for the live window again.

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "app/Form2_design.h"
#include "platform/runtime/settings.h"
#include "platform/pictures/picture_store.h"
#include "twain/run_outcome.h"

class QCloseEvent;

namespace twain {

class Form2 : public app::Form2Design {
  Q_OBJECT
 public:
  // The current numbered file; a run continues after it.
  QString Filename0;

  void Form_Load() override;
  void Form_Unload(std::int16_t& Cancel) override;
  void mnuSelectDevice_Click() override;
  void mnuCapture_Click() override;
  void mnuLive_Click() override;
  void mnuExit_Click() override;
  void mnuAbout_Click() override;

  // Acquires pages until the source delivers no more.
  void AcquireRun();
  bool running() const { return running_; }

  // Ends the program as "&Exit" does; during a run, once the page under way
  // is written.
  void RequestEnd();
  // Stores the path the live window goes on from.
  rt::SettingSaved StorePath(rt::Durability durability = rt::Durability::Now) const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  friend class RunScope;
  bool AcquirePass(bool sourceOpen);
  bool FinishPage(bool pageReadSince = false);
  void showAgain();
  void setCommandsEnabled(bool enabled);

  QString loadedPath_;
  std::optional<QString> lastImage_;
  RunOutcome outcome_;  // of the run under way or the last one
  // The page written last, on its way to the medium, and its name.
  std::unique_ptr<pictures::PendingPicture> pending_;
  QString pendingName_;
  bool runEnded_ = false;
  bool running_ = false;
  bool closingByFrame_ = false;
  bool endRequested_ = false;
};

}  // namespace twain
