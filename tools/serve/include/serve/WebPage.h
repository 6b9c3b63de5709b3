#pragma once

namespace serve {

// The page at "/": every served module as the window shows a channel (lime values on
// black in millivolts and kilohertz in the window's display patterns, red with the
// lamp lit on overload, dimmed while the module is lost), live from the event stream.
// Self-contained: no outside script, style or font.
extern const char* const WebPage;

}  // namespace serve
