// The communication information page: verification and the communication ID.
#include "pages/SignStep6Rest.h"

CSignStep6Rest::CSignStep6Rest() : CSignPage(IDD_COMM_INFO_PAGE, IDB_CONFIRM) {}
