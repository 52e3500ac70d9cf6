#pragma once
// When an activation of the tray icon shows or hides the main window. An XEmbed tray reports every click and
// a double-click on top; a StatusNotifierItem host (KDE Plasma, LXQt, GNOME's AppIndicator extension) reports
// one activation and never a double-click.

// What kind of notification area holds the icon.
enum class TTrayHost { None, XEmbed, StatusNotifier };

// How the icon was activated (the reasons a tray reports).
enum class TTrayActivation { Unknown, Context, DoubleClick, Trigger, MiddleClick };

// True when Reason on a tray of kind Host toggles the main window: a double-click on XEmbed (its single
// clicks do nothing, or a double-click would toggle twice); an activation or a double-click on a
// StatusNotifierItem host. Never for a context-menu request, a middle click, or without a tray.
bool TrayActivationToggles(TTrayHost Host, TTrayActivation Reason);
