// QvEntity.DLL: the project object. It opens a project file into memory, serves the database
// (IDatabase) and the product object (IProduct), and saves the project atomically.
#include "code_page.h"
#include "msi_file.h"
#include "product.h"
#include "project_schema.h"
#include "table_objects.h"

namespace qv::engine {

namespace {

class ProjectObject : public ComObject<IProject, IDatabase> {
 public:
  HResult Open(const std::string& path) override {
    std::unique_ptr<Database> db;
    HResult hr = LoadDatabase(path, &db);
    if (Failed(hr)) return hr;
    // Only a project of the current format: anything else goes through the upgrader first.
    if (!HasCurrentProjectFormat(*db)) return kBadFormat;
    if (db->CodePage() == 0) db->SetCodePage(kDefaultCodePage);
    if (codePage_ != 0) {
      hr = ApplyCodePage(*db, codePage_);
      if (Failed(hr)) return hr;
    }
    auto context = std::make_shared<ProjectContext>();
    context->db = std::move(db);
    context_ = std::move(context);
    path_ = path;
    return kOk;
  }
  HResult GetPath(std::string* path) override {
    if (!path) return kPointer;
    *path = path_;
    return context_ ? kOk : kNotOpen;
  }
  HResult SaveAs(const std::string& path) override {
    if (!context_) return kNotOpen;
    if (path.empty()) return kInvalidArg;
    SaveOptions options;
    options.fixedTimestamps = fixedTimestamps_;
    if (cancelCheck_) options.cancelled = cancelCheck_;
    HResult hr = SaveDatabase(*context_->db, path, options);
    if (Succeeded(hr)) path_ = path;
    return hr;
  }
  HResult SetCancelCheck(CancelCheck check) override {
    cancelCheck_ = check;
    return kOk;
  }
  HResult Close() override {
    context_.reset();
    path_.clear();
    return kOk;
  }
  HResult SetCodePage(int32_t codePage) override {
    if (codePage <= 0) return kInvalidArg;
    if (context_) {
      HResult hr = ApplyCodePage(*context_->db, codePage);
      if (Failed(hr)) return hr;
    } else if (!CodePageEncoder(codePage).Valid()) {
      return kInvalidArg;
    }
    codePage_ = codePage;
    return kOk;
  }
  HResult SetFixedTimestamps(bool fixed) override {
    fixedTimestamps_ = fixed;
    return kOk;
  }

  HResult GetTables(ITableCollection** tables) override {
    if (!tables) return kPointer;
    *tables = nullptr;
    if (!context_) return kNotOpen;
    return MakeTableCollection(context_, tables);
  }

 protected:
  HResult QueryOtherInterface(const Guid& iid, void** out) override {
    if (!(iid == IID_IProduct)) return kNoInterface;
    if (!context_) return kNotOpen;
    IProduct* product = nullptr;
    HResult hr = MakeProduct(context_, &product);
    if (Succeeded(hr)) *out = product;
    return hr;
  }

 private:
  static constexpr int kDefaultCodePage = 1252;

  // Refused (kBadValue) when some text of the project cannot be stored in the code page.
  static HResult ApplyCodePage(Database& db, int codePage) {
    CodePageEncoder encoder(codePage);
    if (!encoder.Valid()) return kInvalidArg;
    for (const Table* table : db.Tables()) {
      const auto& columns = table->Columns();
      for (const auto& [key, id] : table->KeyOrder()) {
        const Row& row = *table->Get(id);
        for (size_t c = 0; c < columns.size(); ++c)
          if (columns[c].kind == ColumnKind::String && !encoder.CanEncode(CellText(row[c]))) return kBadValue;
      }
    }
    db.SetCodePage(codePage);
    return kOk;
  }

  ContextPtr context_;
  std::string path_;
  int32_t codePage_ = 0;  // 0: keep the file's own
  bool fixedTimestamps_ = false;
  CancelCheck cancelCheck_ = nullptr;
};

}  // namespace
}  // namespace qv::engine

QV_EXPORT_CLASS_OBJECT(qv::CLSID_Project, qv::engine::ProjectObject)
