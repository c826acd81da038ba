// The controls the program uses, as thin CWnd handles over their widgets: one include for them all.
#pragma once

#include "platform/ui/CButton.h"
#include "platform/ui/CDateTimeCtrl.h"
#include "platform/ui/CEdit.h"
#include "platform/ui/CListCtrl.h"
#include "platform/ui/CStatic.h"
