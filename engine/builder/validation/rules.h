// The rules the validator runs, each a function that reads the indexed package and reports what
// it finds. Each rule's source file says what the rule tests and where the installer's published
// description leaves a choice.
#pragma once

#include "package_index.h"

namespace validation {

using Rule = void (*)(const PackageIndex& package, Report& report);

// Values and schema (column_values.cpp).
void Ice03(const PackageIndex&, Report&);
void Ice06(const PackageIndex&, Report&);
void Ice32(const PackageIndex&, Report&);
// Components, key paths and files (components.cpp).
void Ice02(const PackageIndex&, Report&);
void Ice08(const PackageIndex&, Report&);
void Ice09(const PackageIndex&, Report&);
void Ice18(const PackageIndex&, Report&);
void Ice21(const PackageIndex&, Report&);
void Ice30(const PackageIndex&, Report&);
// User profiles and per-user data (user_profile.cpp).
void Ice38(const PackageIndex&, Report&);
void Ice43(const PackageIndex&, Report&);
void Ice57(const PackageIndex&, Report&);
void Ice64(const PackageIndex&, Report&);
void Ice91(const PackageIndex&, Report&);
// Advertising, registration and references between components (references.cpp).
void Ice19(const PackageIndex&, Report&);
void Ice33(const PackageIndex&, Report&);
void Ice67(const PackageIndex&, Report&);
void Ice69(const PackageIndex&, Report&);
// Sequence tables (sequences.cpp).
void Ice27(const PackageIndex&, Report&);
void Ice72(const PackageIndex&, Report&);
void Ice82(const PackageIndex&, Report&);
// Product properties, platform and names (product.cpp).
void Ice24(const PackageIndex&, Report&);
void Ice46(const PackageIndex&, Report&);
void Ice80(const PackageIndex&, Report&);
void Ice99(const PackageIndex&, Report&);
// The user interface (dialogs.cpp).
void Ice17(const PackageIndex&, Report&);
void Ice20(const PackageIndex&, Report&);

}  // namespace validation
