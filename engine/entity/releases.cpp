// Product configurations and their releases, kept in QvRelease as one row per setting.
#include <algorithm>
#include <charconv>

#include "qv/project_tables.h"
#include "typed_items.h"

namespace qv::engine {

namespace {

bool IsNumberSetting(const std::string& name) {
  return name == kSettingCompressed || name == kSettingSetupExe || name == kSettingFixedTimestamps ||
         name == kSettingFailOnValidationErrors;
}

bool IsValidName(const std::string& name) { return !name.empty() && Utf8Length(name) <= 72; }

// Whether any row's key begins with prefix.
bool HasRowsWithPrefix(const Table& table, const Key& prefix) {
  auto it = table.KeyOrder().lower_bound(prefix);
  return it != table.KeyOrder().end() && std::equal(prefix.begin(), prefix.end(), it->first.begin());
}

class ReleaseObject : public ComObject<IRelease> {
 public:
  ReleaseObject(ContextPtr context, Table* table, std::string configuration, std::string name)
      : context_(std::move(context)), table_(table), configuration_(std::move(configuration)), name_(std::move(name)) {}

  HResult GetName(std::string* name) override {
    if (!name) return kPointer;
    *name = name_;
    return kOk;
  }
  HResult GetSetting(const std::string& setting, Variant* value) override {
    if (!value) return kPointer;
    *value = Variant::Null();
    RowId id;
    if (!table_->Find(KeyFor(setting), &id)) return kFalse;
    const std::string_view text = CellText((*table_->Get(id))[3]);
    int32_t number = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (IsNumberSetting(setting) && ec == std::errc() && end == text.data() + text.size()) *value = Variant::Int(number);
    else *value = Variant::Text(std::string(text));
    return kOk;
  }
  HResult SetSetting(const std::string& setting, const Variant& value) override {
    if (!IsValidName(setting)) return kInvalidArg;
    Cell cell;
    switch (value.kind) {
      case Variant::Kind::Integer:
        cell = std::to_string(value.integer);
        break;
      case Variant::Kind::Text:
        cell = TextCell(value.text);
        break;
      case Variant::Kind::Empty:
        break;
      case Variant::Kind::Error:
        return kBadValue;
    }
    return UpsertByKey(*table_, KeyFor(setting), "Value", std::move(cell));
  }

 private:
  Key KeyFor(const std::string& setting) const { return {TextCell(configuration_), TextCell(name_), TextCell(setting)}; }

  ContextPtr context_;
  Table* table_;
  std::string configuration_;
  std::string name_;
};

class ReleaseCollectionObject : public ComObject<IReleaseCollection> {
 public:
  ReleaseCollectionObject(ContextPtr context, Table* table, std::string configuration)
      : context_(std::move(context)), table_(table), configuration_(std::move(configuration)) {}

  HResult Find(const std::string& name, IRelease** release) override {
    if (!release) return kPointer;
    *release = nullptr;
    if (!IsValidName(name) || !HasRowsWithPrefix(*table_, {TextCell(configuration_), TextCell(name)})) return kFalse;
    return HandOver(New<ReleaseObject>(context_, table_, configuration_, name), release);
  }
  HResult Add(const std::string& name, IRelease** release) override {
    if (!release) return kPointer;
    *release = nullptr;
    if (!IsValidName(name)) return kInvalidArg;
    if (HasRowsWithPrefix(*table_, {TextCell(configuration_), TextCell(name)})) return kDuplicateKey;
    // A new release: compressed into the package, no setup launcher, built beside the project.
    const std::pair<const char*, const char*> defaults[] = {
        {kSettingCompressed, "1"}, {kSettingSetupExe, "0"}, {kSettingBuildLocation, kProjectFolderVariable}};
    for (const auto& [setting, value] : defaults) {
      HResult hr = table_->Insert({TextCell(configuration_), TextCell(name), TextCell(setting), TextCell(value)});
      if (Failed(hr)) return hr;
    }
    context_->emptyConfigurations.erase(configuration_);
    return HandOver(New<ReleaseObject>(context_, table_, configuration_, name), release);
  }

 private:
  ContextPtr context_;
  Table* table_;
  std::string configuration_;
};

class ConfigurationObject : public ComObject<IProductConfig> {
 public:
  ConfigurationObject(ContextPtr context, Table* table, std::string name)
      : context_(std::move(context)), table_(table), name_(std::move(name)) {}
  HResult GetName(std::string* name) override {
    if (!name) return kPointer;
    *name = name_;
    return kOk;
  }
  HResult GetReleases(IReleaseCollection** releases) override {
    return HandOver(New<ReleaseCollectionObject>(context_, table_, name_), releases);
  }

 private:
  ContextPtr context_;
  Table* table_;
  std::string name_;
};

class ConfigurationCollectionObject : public ComObject<IProductConfigCollection> {
 public:
  ConfigurationCollectionObject(ContextPtr context, Table* table) : context_(std::move(context)), table_(table) {}

  HResult Find(const std::string& name, IProductConfig** config) override {
    if (!config) return kPointer;
    *config = nullptr;
    if (!Exists(name)) return kFalse;
    return HandOver(New<ConfigurationObject>(context_, table_, name), config);
  }
  HResult Add(const std::string& name, IProductConfig** config) override {
    if (!config) return kPointer;
    *config = nullptr;
    if (!IsValidName(name)) return kInvalidArg;
    if (Exists(name)) return kDuplicateKey;
    // Recorded in the project once it has a release.
    context_->emptyConfigurations.insert(name);
    return HandOver(New<ConfigurationObject>(context_, table_, name), config);
  }

 private:
  bool Exists(const std::string& name) const {
    return IsValidName(name) && (context_->emptyConfigurations.count(name) || HasRowsWithPrefix(*table_, {TextCell(name)}));
  }
  ContextPtr context_;
  Table* table_;
};

}  // namespace

HResult MakeConfigurationCollection(const ContextPtr& context, IProductConfigCollection** out) {
  Table* table = RequireTable(context, kReleaseTable);
  if (!table) return kNotFound;
  return HandOver(New<ConfigurationCollectionObject>(context, table), out);
}

}  // namespace qv::engine
