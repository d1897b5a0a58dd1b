// The terms page: the network terms of use and the agreement.
#include "pages/SignStep2Agree.h"

CSignStep2Agree::CSignStep2Agree() : CSignPage(IDD_TERMS_PAGE, IDB_TERMS) {}
