// Where the gadget keeps its settings: the current user's registry.
#pragma once

// The gadget's own keys lie under this path; the sub-key names are appended with a backslash.
extern const char* const SettingsBaseKey;
// The per-user autorun key; the value is named after the application title.
extern const char* const AutorunKey;
// Sub-key of the two web addresses of the About page (never written by the gadget).
extern const char* const UrlsSubKey;
