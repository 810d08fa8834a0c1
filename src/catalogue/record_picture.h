#pragma once
// What a picture box bound to a record's Photo column shows.

#include "platform/db/recordset.h"
#include "platform/picture/picture.h"

namespace catalogue {

// The current row's stored bytes as the platform's picture loader reads them; no
// picture without a current row or for data the loader cannot read.
picture::Picture BoundPhotoPicture(db::Recordset& rs);

}  // namespace catalogue
