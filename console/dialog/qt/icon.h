// Icon resources, loaded from the executable's embedded resource folder.
#pragma once

#include <QIcon>

#include "console/dialog/types.h"

struct IconResource {
    QIcon icon;
};

// nullptr when the resource does not exist. Loaded once; the handle stays valid.
HICON LoadIconResource(int nIDResource);
