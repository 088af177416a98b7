// The product object (IProduct) of an open project.
#pragma once

#include "project_context.h"
#include "qv/entity.h"

namespace qv::engine {

HResult MakeProduct(const ContextPtr& context, IProduct** out);

}  // namespace qv::engine
