#include "common/Fehler.h"
