// The terms document served by the provider stand-in.
#pragma once

namespace provider {

// The network terms of use as UTF-8 text with LF line ends; the server sends it in CP932 with CR
// LF line ends.
const char* TermsTextUtf8();

}  // namespace provider
