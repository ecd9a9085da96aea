// The five pages of the main window's tab control.
#pragma once

#include "app/DisplayPage.h"
#include "app/DocumentPage.h"
#include "app/ImportsPage.h"
#include "app/MessagePage.h"
#include "app/ProgressPage.h"
