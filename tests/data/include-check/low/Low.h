#pragma once

#include "high/High.h"
#include <QWidget>
