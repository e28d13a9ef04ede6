// The host executable's folder and the plug-in's files inside it.
//
// The plug-in finds its settings and its log through GetModuleFileNameA(NULL),
// so a scenario prepares them in the folder of this very program.
#pragma once

#include <string>

namespace testhost {

std::string hostFolder();    // with a trailing backslash
std::string pluginFolder();  // <host>\Plugins\MelodyRibbon\ .
std::string iniPath();
std::string logPath();

// Writes one setting, creating the folders; the value is UTF-8.
bool writeIni(const std::string& section, const std::string& key,
              const std::string& value);
// One setting as the file holds it now (UTF-8), or "(missing)".
std::string readIni(const std::string& section, const std::string& key);
// The log converted from the ANSI code page to UTF-8; empty when missing.
std::string readLog();

// What keeps the plug-in from writing a file of its own: a folder where the
// log would be, or the file held open by the host without write sharing, as
// a viewer or an editor may hold it (the log with text in it), until
// releaseHeldFiles().
bool clearLog();
bool putFolderAtLog();
bool holdLog(const std::string& text);
bool holdIni();
void releaseHeldFiles();

// UTF-8 to and from the ANSI code page, which the plug-in's files use.
std::string utf8ToAnsi(const std::string& text);
std::string ansiToUtf8(const std::string& text);

}  // namespace testhost
