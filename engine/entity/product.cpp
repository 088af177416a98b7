#include "product.h"

#include "project_schema.h"
#include "qv/project_tables.h"
#include "typed_items.h"

namespace qv::engine {

namespace {

class ProductObject : public ComObject<IProduct> {
 public:
  explicit ProductObject(ContextPtr context) : context_(std::move(context)) {}

  HResult GetComponents(IComponentCollection** out) override { return MakeComponentCollection(context_, out); }
  HResult GetFiles(IFileCollection** out) override { return MakeFileCollection(context_, std::nullopt, out); }
  HResult GetRegistryEntries(IRegistryCollection** out) override { return MakeRegistryCollection(context_, out); }
  HResult GetDirectories(IDirectoryCollection** out) override { return MakeDirectoryCollection(context_, out); }
  HResult GetConfigurations(IProductConfigCollection** out) override { return MakeConfigurationCollection(context_, out); }

  HResult GetProperty(const std::string& name, std::string* value) override {
    if (!value) return kPointer;
    value->clear();
    Table* properties = RequireTable(context_, "Property");
    RowId id;
    if (!properties || !properties->Find({TextCell(name)}, &id)) return kFalse;
    *value = CellText((*properties->Get(id))[1]);
    return kOk;
  }
  HResult SetProperty(const std::string& name, const std::string& value) override {
    Table* properties = RequireTable(context_, "Property");
    if (!properties) return kNotFound;
    if (Failed(CheckCell(properties->Columns()[0], TextCell(name)))) return kBadValue;
    RowId id;
    bool present = properties->Find({TextCell(name)}, &id);
    // A property with an empty value does not exist in an installer database.
    if (value.empty()) return present ? properties->Erase(id) : kOk;
    Cell cell = TextCell(value);
    if (Failed(CheckCell(properties->Columns()[1], cell))) return kBadValue;
    if (present) return properties->SetCell(id, 1, std::move(cell));
    return properties->Insert({TextCell(name), std::move(cell)});
  }

  HResult GetName(std::string* name) override {
    HResult hr = GetProperty("ProductName", name);
    return hr == kFalse ? kOk : hr;
  }
  HResult SetName(const std::string& name) override {
    HResult hr = SetProperty("ProductName", name);
    if (Succeeded(hr)) context_->db->Summary()[kSummarySubject] = name;
    return hr;
  }
  HResult SetVersion(const std::string& version) override { return SetProperty("ProductVersion", version); }
  HResult SetProductGuid(const std::string& guid) override {
    if (!IsRegistryGuid(guid)) return kBadValue;
    return SetProjectInfo(*context_->db, kProductGuidName, guid);
  }
  HResult SetSummaryAuthor(const std::string& author) override {
    context_->db->Summary()[kSummaryAuthor] = author;
    return kOk;
  }
  HResult SetSummarySubject(const std::string& subject) override {
    context_->db->Summary()[kSummarySubject] = subject;
    return kOk;
  }
  HResult SetLanguage(int32_t languageId) override {
    if (languageId < 0 || languageId > 0xFFFF) return kBadValue;
    HResult hr = SetProperty("ProductLanguage", std::to_string(languageId));
    if (Failed(hr)) return hr;
    // The summary template is "<platform>;<languages>": keep the platform.
    std::string platform = "Intel";
    std::string current = context_->db->SummaryString(kSummaryTemplate);
    if (size_t semicolon = current.find(';'); semicolon != std::string::npos) platform = current.substr(0, semicolon);
    context_->db->Summary()[kSummaryTemplate] = platform + ";" + std::to_string(languageId);
    return kOk;
  }
  HResult SetMainFolder(const std::string& folder) override {
    return context_->directories.PlaceInstallDir(*context_->db, folder);
  }
  HResult DirectoryForPath(const std::string& folder, std::string* key) override {
    if (!key) return kPointer;
    key->clear();
    return context_->directories.KeyForPath(*context_->db, folder, key);
  }

 private:
  ContextPtr context_;
};

}  // namespace

HResult MakeProduct(const ContextPtr& context, IProduct** out) { return HandOver(New<ProductObject>(context), out); }

}  // namespace qv::engine
