// The communication-ID page: login ID, password and communication name.
#include "pages/SignStep5Rest.h"

CSignStep5Rest::CSignStep5Rest() : CSignPage(IDD_COMM_ID_PAGE, IDB_COMM_ID) {}
