// QvMMCat.dll: the merge module catalog. Searching merge modules is not available yet: the
// look-ups answer kNotImplemented rather than "no module found".
#include <string>

#include "com_object.h"
#include "qv/mmcat.h"

namespace qv::engine {
namespace {

class MergeModuleCatalog : public ComObject<IMergeModuleCatalog> {
 public:
  HResult SetSearchPath(const std::string& folders) override {
    searchPath_ = folders;
    return kOk;
  }
  HResult FindByFile(const std::string&, const std::string&, const std::string&, IMergeModule** module) override {
    if (module) *module = nullptr;
    return kNotImplemented;
  }
  HResult FindByPathVersion(const std::string&, const std::string&, const std::string&, IMergeModule** module) override {
    if (module) *module = nullptr;
    return kNotImplemented;
  }

 private:
  std::string searchPath_;
};

}  // namespace
}  // namespace qv::engine

QV_EXPORT_CLASS_OBJECT(qv::CLSID_MergeModuleCatalog, qv::engine::MergeModuleCatalog)
