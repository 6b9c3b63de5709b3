#pragma once

#include "IniFile/IniStatus.h"
#include "settings/SettingsValues.h"

namespace inifile {
class TIniFile;
}

namespace settings {

// Each writer writes its keys in the order of the file's description, then flushes.
// A key the file refuses (a text code page 1251 cannot hold) keeps its old value while
// the others are still written and flushed; the result is the first refusal, with the
// flush's failure added when the file could not be saved. A failed flush leaves the
// file on disk as it was.

// "Приложение. Общие" and "Приложение. Обнаружение" with their defaults (the
// coefficient source is written 0, although it reads as 1 when missing).
inifile::IniStatus WriteDefaultApplicationSettings(inifile::TIniFile& file);
// Every key of "Модуль ZEB44" with its default, the precision keys DC, AC, FR range
// after range.
inifile::IniStatus WriteDefaultModuleSettings(inifile::TIniFile& file);

// The "save on close" state and the window position; the crate's serial only when a
// crate is selected, and the module's slot only when a crate and a module are selected
// (otherwise those keys keep what the file has).
inifile::IniStatus SaveApplicationSettings(inifile::TIniFile& file, const ApplicationControls& controls);
// The controls' indices (-1 for no selection) and check boxes, all four channels;
// the group check box is written 0 in its mixed state. Method, amplitude type,
// acquisition time and precisions are never written by a save.
inifile::IniStatus SaveModuleSettings(inifile::TIniFile& file, const ModuleControls& controls);
// The window's own features, in their section.
inifile::IniStatus SaveLinkSettings(inifile::TIniFile& file, const LinkSettings& link);
// The bench-meter functions, in their section; a null that waits for the next reading
// is written as off.
inifile::IniStatus SaveLimitsSettings(inifile::TIniFile& file, const LimitsSettings& limits);

}  // namespace settings
