#include "core/repackager_exception.h"

#include "core/string_table.h"

namespace core {

repackager_exception repackager_exception::FromId(int id) { return repackager_exception(LoadString(id)); }

void ThrowMessage(int id) { throw repackager_exception::FromId(id); }

}  // namespace core
