#pragma once
// Every key of settings.xml, spelt once. The keys and their layout are what a user's file keeps from one
// version to the next, so code names them only through these constants (tests that check the file format may
// spell them out).

// The window's place and size on screen, and the tab shown (integers).
inline constexpr const char* kWindowXKey = "Window/X";
inline constexpr const char* kWindowYKey = "Window/Y";
inline constexpr const char* kWindowWidthKey = "Window/W";
inline constexpr const char* kWindowHeightKey = "Window/H";
inline constexpr const char* kDefaultTabKey = "Defaults/Tab";

// The pair chosen on the rates tab (display names) and the two amounts (digits).
inline constexpr const char* kSrcCurrKey = "Rates/SrcCurr";
inline constexpr const char* kDstCurrKey = "Rates/DstCurr";
inline constexpr const char* kSrcAmountKey = "Rates/SrcAmount";
inline constexpr const char* kDstAmountKey = "Rates/DstAmount";

// The group of hidden currencies: one key per currency code (escaped by EscapeKeySegment) below it.
inline constexpr const char* kHideCurrenciesGroup = "HideCurrencies";

// Live rates, each in a group of its own: show the kept feeds at start (boolean), refresh by itself every so
// many minutes (0 is off).
inline constexpr const char* kUseSavedKey = "Live/UseSaved";
inline constexpr const char* kAutoMinutesKey = "Live/AutoMinutes";

// The rates tab's chart, in a group of its own: shown (boolean) and its range ("24h", "7d", "30d", "1y").
inline constexpr const char* kChartShownKey = "Chart/Shown";
inline constexpr const char* kChartRangeKey = "Chart/Range";

// The rates service's address (scheme, host, optional port), in a group of its own; unset: the build's.
inline constexpr const char* kServiceBaseKey = "Service/Base";

// Rate alerts: kAlertsGroup/kAlertEntry<N>/<field>, N counting from 1.
inline constexpr const char* kAlertsGroup = "Alerts";
inline constexpr const char* kAlertEntry = "Alert";
inline constexpr const char* kAlertGiveField = "Give";
inline constexpr const char* kAlertGetField = "Get";
inline constexpr const char* kAlertLevelField = "Level";
inline constexpr const char* kAlertEnabledField = "Enabled";
