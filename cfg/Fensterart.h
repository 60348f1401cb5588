#pragma once
// How the configurator's dialogs look to the window manager: a title and a
// close button; they are neither minimised nor maximised.
#include <Qt>

namespace nuvar {

inline const Qt::WindowFlags kDialogFenster =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

} // namespace nuvar
