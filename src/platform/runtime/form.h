#pragma once
// Windows with a load/unload life cycle. A form is created from its design
// when first referenced, runs Form_Load, and is destroyed by Unload after
// Form_Unload. The program reaches each window through one FormSlot.

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/window/window.h"

namespace rt {

class FormSlotBase;

// True where the desktop, not the program, places and sizes windows and
// gives the focus (Wayland): a program's move or resize of a shown window,
// and a "show without activating", are not honoured there.
bool DesktopDecidesWindows();

enum class BorderStyle { Sizable, FixedDialog, FixedSingle };
enum class StartPosition { WindowsDefault, CenterScreen, CenterOwner };
enum class ScaleUnit { Twips, Pixels };

struct FormDesign {
  QString caption;
  BorderStyle border = BorderStyle::Sizable;
  bool minButton = true;
  bool maxButton = true;
  bool inTaskbar = true;
  StartPosition start = StartPosition::WindowsDefault;
  int clientWidth = 0;   // twips
  int clientHeight = 0;  // twips, below the menu bar
  int statusBarHeight = 0;  // pixels of a status bar below the inner area
  ScaleUnit scale = ScaleUnit::Twips;
  bool hasMenu = false;
  bool hasIcon = true;
};

class Form : public QMainWindow {
  Q_OBJECT
 public:
  explicit Form(const FormDesign& design);
  ~Form() override;

  virtual void Form_Load() {}
  virtual void Form_Unload(std::int16_t& Cancel) { (void)Cancel; }
  virtual void Form_Resize() {}

  const FormDesign& design() const { return design_; }
  // The inner area between the menu bar and the status bar; child windows
  // are created in it.
  QWidget* client() const { return client_; }
  win::HWND hWnd() const;

  // The outer size in twips, as the program reads and sets it: the window
  // with its menu bar and status bar, plus a caption of SM_CYCAPTION and an edge of
  // SM_CXEDGE/SM_CYEDGE pixels on each side. Setting it sizes the real
  // window so that the inner size comes out exactly as computed. Ignored
  // while minimised or maximised.
  double Width() const;
  double Height() const;
  void setWidth(float twips);
  void setHeight(float twips);
  // Holds the window at its present size, or frees it again. A window held
  // so has no resize handles and nothing a window manager would maximise
  // (some offer maximise on every resizable window, whatever its hints).
  void holdSize(bool held);
  // The inner size in the form's scale unit.
  double ScaleWidth() const;
  double ScaleHeight() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  friend class FormSlotBase;

// True where the desktop, not the program, places and sizes windows and
// gives the focus (Wayland): a program's move or resize of a shown window,
// and a "show without activating", are not honoured there.
bool DesktopDecidesWindows();
  int menuHeight() const;
  int barsHeight() const;
  FormDesign design_;
  QWidget* client_;
  FormSlotBase* slot_ = nullptr;
  bool resizeEvents_ = false;
  bool placed_ = false;
};

class FormSlotBase {
 public:
  using Factory = std::function<std::unique_ptr<Form>()>;
  explicit FormSlotBase(Factory factory = {});
  FormSlotBase(const FormSlotBase&) = delete;
  FormSlotBase& operator=(const FormSlotBase&) = delete;

  void setFactory(Factory factory) { factory_ = std::move(factory); }
  bool IsLoaded() const { return form_ != nullptr; }
  // Loads the form when it is not loaded (a fresh instance, then Form_Load).
  Form* Load();
  // Loads it if needed and shows it non-modal, without an owner, in front.
  void Show();
  // Loads it if needed and shows it non-modal in front, leaving the keyboard
  // focus where it is: for windows that only display something. Where the
  // desktop focuses every new window anyway, `keepsFocus` asks for the focus
  // back once the form is on screen.
  void ShowWithoutActivating(QWidget* keepsFocus = nullptr);
  // Runs Form_Unload and destroys the instance; nothing when not loaded.
  void Unload();

 protected:
  Form* form_ = nullptr;

 private:
  Factory factory_;
  bool unloading_ = false;
};

template <class T>
class FormSlot : public FormSlotBase {
 public:
  using FormSlotBase::FormSlotBase;
  FormSlot() : FormSlotBase([] { return std::make_unique<T>(); }) {}
  // Any reference loads the form, as using a window's controls does.
  T* operator->() { return static_cast<T*>(Load()); }
  T& get() { return *static_cast<T*>(Load()); }
  T* ifLoaded() const { return static_cast<T*>(form_); }
};

}  // namespace rt
