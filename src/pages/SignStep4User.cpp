// The signup confirmation page: the summary and the signup itself.
#include "pages/SignStep4User.h"

CSignStep4User::CSignStep4User() : CSignPage(IDD_CONFIRM_PAGE, IDB_CONFIRM) {}
