#pragma once
// Hands a document or web address to the desktop to be opened with its
// associated application, and explains a failure in plain words.
//
// The opener reports results as shell-style codes: above 32 means success,
// 32 or less names the failure. How the Linux opener (xdg-open, started
// directly, never through a shell) maps onto them:
//   local file that does not exist, folder exists      2  file not found
//   local file whose folder does not exist             3  path not found
//   local file that exists but cannot be read          5  access denied
//   xdg-open exit 1 (bad arguments)                    27 association invalid
//   xdg-open exit 2 (a file does not exist)            2  file not found
//   xdg-open exit 3 (no tool to open it) or not found  31 no application associated
//   xdg-open exit 4 (opening failed)                   31 no application associated
//   xdg-open crashed                                   0  (unlisted: empty text)
//   xdg-open exit 0, or still running after 0.5 s      42 success

#include <QString>

#include <functional>

namespace lyrovan {

class DesktopOpener {
public:
    virtual ~DesktopOpener() = default;
    // Opens target; done gets the shell-style result code (> 32 success),
    // at once or once the opener has answered, on the calling thread; the
    // caller never waits for it.
    virtual void open(const QString& target, std::function<void(int)> done) = 0;
};

// The opener in use: xdg-open unless one was installed.
DesktopOpener& desktopOpener();
// Installs an opener (not owned); nullptr restores xdg-open.
void setDesktopOpener(DesktopOpener* opener);

// The explanation for a failure code; empty for codes without one.
QString ShellOpenMessage(int code);

// Opens Target; on failure shows the explanation in a box titled "Lyrovan",
// as soon as the opener has said so.
void ShellOpen(const QString& Target);

// An environment variable the program sets for itself only: the programs
// that ShellOpen starts (a browser, a viewer) do not inherit it.
void KeepFromChildren(const QString& variable);

} // namespace lyrovan
