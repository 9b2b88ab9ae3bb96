#include "database/connection.h"
