#include "dates/serialdate.h"
