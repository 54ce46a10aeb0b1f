// The settings store reading a file of any bytes, then saving a value of
// any text into it.
//
// Input: the file's bytes, a 0xFF byte, the value to save (UTF-8; invalid
// sequences become replacement characters, as every text of the program is
// valid Unicode).
//
// Invariants: reading never fails; saving succeeds; the saved value reads
// back exactly, under its names in any case; every other key reads as it
// did before.

#include <QFile>
#include <cstddef>
#include <cstdint>

#include "app/settings_values.h"
#include "fuzz_env.h"
#include "platform/files/atomic_file.h"
#include "platform/runtime/settings.h"

namespace {

const QString kAbsent = "(absent)";

struct Key {
  QString application, section, key;
};

QString read(const Key& k) { return rt::GetSetting(k.application, k.section, k.key, kAbsent); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::usePrivateHome();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input input(data, size);
  const QByteArray file = input.until(0xFF);
  const QString value = QString::fromUtf8(input.rest());

  const Key keys[] = {
      {app::kPathsApp, app::kPathsSection, app::kPathKey},
      {app::kPathsApp, app::kPathsSection, app::kBorderKey},
      {app::kPathsApp, "", "Path"},
      {app::kPathsApp, "PARAS2", "Path"},
      {app::kDriverApp, app::kDriverSection, app::kDriverKey},
  };
  for (const QString& application : {app::kPathsApp, app::kDriverApp}) {
    const std::string path = QFile::encodeName(rt::SettingsFile(application)).toStdString();
    fuzzing::check(files::writeFileAtomically(path, file.constData(), static_cast<std::size_t>(file.size()),
                                              files::Commit::Replace),
                   "cannot write the settings file");
  }

  QString before[std::size(keys)];
  for (std::size_t i = 0; i < std::size(keys); ++i) before[i] = read(keys[i]);
  if (!file.contains('=')) {
    for (const QString& got : before) fuzzing::check(got == kAbsent, "a value read from a file without one");
  }

  const Key& saved = keys[0];
  fuzzing::check(rt::SaveSetting(saved.application, saved.section, saved.key, value), "saving failed");
  fuzzing::check(read(saved) == value, "the saved value does not read back");
  fuzzing::check(read({app::kPathsApp, "paras", "path"}) == value, "names are not read in any case");
  for (std::size_t i = 1; i < std::size(keys); ++i)
    fuzzing::check(read(keys[i]) == before[i], "saving one key changed another");

  // A second save over the store's own file keeps everything as well.
  fuzzing::check(rt::SaveSetting(keys[1].application, keys[1].section, keys[1].key, value + "2"), "second save failed");
  fuzzing::check(read(saved) == value, "a second save changed the first value");
  fuzzing::check(read(keys[1]) == value + "2", "the second value does not read back");
  return 0;
}
