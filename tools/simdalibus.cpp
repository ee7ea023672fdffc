#include "simdalibus.h"

SimDaliBus::~SimDaliBus() = default;
