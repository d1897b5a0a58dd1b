// The user information page: personal data, wished account names, entry code.
#include "pages/SignStep3User.h"

CSignStep3User::CSignStep3User() : CSignPage(IDD_USER_PAGE, IDB_USER) {}
