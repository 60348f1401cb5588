#pragma once
// NUVARKom's start-up: title, splash, main window, command line and the
// sequence command before the message loop. The exit code is 0 in every
// case; callers learn the outcome from the files a command leaves.
namespace nuvar {

int NUVARKomStart(int argc, char** argv);

} // namespace nuvar
