// The completion page: the network information to note down.
#include "pages/SignStep7End.h"

CSignStep7End::CSignStep7End() : CSignPage(IDD_COMPLETION_PAGE, IDB_COMPLETION) {}
