#include "frontend/repackager_exception.h"

#include "frontend/string_table.h"

namespace frontend {

repackager_exception repackager_exception::FromId(int id) { return repackager_exception(LoadString(id)); }

void ThrowMessage(int id) { throw repackager_exception::FromId(id); }

}  // namespace frontend
