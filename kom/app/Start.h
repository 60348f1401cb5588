#pragma once
// NUVARKom's start-up: title, splash, main window, command line and the
// sequence command before the message loop. The exit code is 0 in every
// case unless NUVARWin.ini asks for the truth ([NUVARKom] Exitcode=1, the
// codes of TExitcode); 78 when the program directory is unusable. A failed
// sequence command ends with one line naming its cause (stderr, protocol).
namespace nuvar {

int NUVARKomStart(int argc, char** argv);

} // namespace nuvar
