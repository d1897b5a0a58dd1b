// The seven wizard pages, in wizard order.
#pragma once

#include "pages/SignStep1Top.h"
#include "pages/SignStep2Agree.h"
#include "pages/SignStep3User.h"
#include "pages/SignStep4User.h"
#include "pages/SignStep5Rest.h"
#include "pages/SignStep6Rest.h"
#include "pages/SignStep7End.h"
