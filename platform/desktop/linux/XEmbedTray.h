#pragma once

// The X11 system tray (XEmbed): a tray manager owns the selection _NET_SYSTEM_TRAY_S<screen>.
namespace XEmbedTray {

// True when the program runs on X11 and a tray manager owns the selection of its screen.
bool present();

} // namespace XEmbedTray
