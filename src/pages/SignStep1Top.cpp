// The start page: what to do and how to connect.
#include "pages/SignStep1Top.h"

CSignStep1Top::CSignStep1Top() : CSignPage(IDD_START_PAGE, IDB_START) {}
