#pragma once
// The whole PDX public header set.

#include "pdx/address.h"
#include "pdx/guard.h"
#include "pdx/guids.h"
#include "pdx/interfaces.h"
#include "pdx/memory.h"
#include "pdx/restriction.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "pdx/types.h"
#include "pdx/wab.h"
