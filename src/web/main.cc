#include "web/main.h"
