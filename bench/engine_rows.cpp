// Cost of the project engine with many rows, through its interfaces as the program loads them:
// open the blank template, add N Registry rows (AddRow, fields, Commit), add N/10 components
// through the product object (AddNew, SetName, a directory along a path, a feature), save, and
// open the saved file again; for N = 50,000 and 200,000. Work in memory must grow linearly;
// saving and loading must grow linearly too.
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "qv/entity.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

qv::ComPtr<qv::IProject> NewProject() {
  qv::ComPtr<qv::IProject> project;
  void* library = dlopen(FERNCLIP_BUILD_DIR "/QvEntity.DLL", RTLD_NOW);
  if (!library) return project;
  auto getClassObject = reinterpret_cast<qv::DllGetClassObjectFn>(dlsym(library, qv::kDllGetClassObjectName));
  qv::ComPtr<qv::IClassFactory> factory;
  if (!getClassObject || qv::Failed(getClassObject(qv::CLSID_Project, qv::IID_IClassFactory, factory.PutVoid()))) return project;
  factory->CreateInstance(nullptr, qv::IID_IProject, project.PutVoid());
  return project;
}

bool Set(qv::IFieldCollection* fields, int column, const qv::Variant& value) {
  qv::ComPtr<qv::IField> field;
  return qv::Succeeded(fields->Item(column, field.Put())) && qv::Succeeded(field->SetValue(value));
}

struct Timing {
  double open = 0, rows = 0, components = 0, save = 0, reopen = 0;
};

bool Measure(int count, const std::filesystem::path& folder, Timing* timing) {
  std::string path = (folder / ("rows" + std::to_string(count) + ".vpx")).string();
  std::filesystem::copy_file(FERNCLIP_BUILD_DIR "/QvProjBlankTpl.vpx", path, std::filesystem::copy_options::overwrite_existing);
  auto project = NewProject();
  if (!project) return false;

  auto start = Clock::now();
  if (qv::Failed(project->Open(path))) return false;
  auto opened = Clock::now();

  qv::ComPtr<qv::IDatabase> database;
  qv::ComPtr<qv::ITableCollection> tables;
  qv::ComPtr<qv::ITable> registry;
  project.As(qv::IID_IDatabase, &database);
  database->GetTables(tables.Put());
  tables->Find("Name ='Registry'", registry.Put());
  char text[128];
  for (int i = 0; i < count; ++i) {
    qv::ComPtr<qv::IRow> row;
    qv::ComPtr<qv::IFieldCollection> fields;
    registry->AddRow(row.Put());
    row->GetFields(fields.Put());
    std::snprintf(text, sizeof text, "Registry_%d", i);
    Set(fields.Get(), 1, qv::Variant::Text(text));
    Set(fields.Get(), 2, qv::Variant::Int(2));
    std::snprintf(text, sizeof text, "Software\\Fern\\Bench\\Key%d", i / 16);
    Set(fields.Get(), 3, qv::Variant::Text(text));
    std::snprintf(text, sizeof text, "Value%d", i % 16);
    Set(fields.Get(), 4, qv::Variant::Text(text));
    std::snprintf(text, sizeof text, "#%d", i);
    Set(fields.Get(), 5, qv::Variant::Text(text));
    std::snprintf(text, sizeof text, "Component%d", i / 10);
    Set(fields.Get(), 6, qv::Variant::Text(text));
    if (qv::Failed(row->Commit(0))) return false;
  }
  auto rowsAdded = Clock::now();

  // Components named after their placeholder is given, each renamed while registry rows refer
  // to its name, in a folder of its own: the references follow through the indexes.
  qv::ComPtr<qv::IProduct> product;
  project.As(qv::IID_IProduct, &product);
  qv::ComPtr<qv::IComponentCollection> components;
  product->GetComponents(components.Put());
  for (int i = 0; i < count / 10; ++i) {
    qv::ComPtr<qv::IComponent> component;
    components->AddNew(component.Put());
    std::snprintf(text, sizeof text, "Component%d", i);
    component->SetName(text);
    std::snprintf(text, sizeof text, "Comp%d", i);
    if (qv::Failed(component->SetName(text))) return false;
    std::snprintf(text, sizeof text, "[ProgramFilesFolder]Fern\\Group %d\\Part %d", i / 100, i);
    if (qv::Failed(component->SetDirectory(text))) return false;
    component->AddFeature("Main");
  }
  auto componentsAdded = Clock::now();

  if (qv::Failed(project->SaveAs(path))) return false;
  auto saved = Clock::now();
  auto again = NewProject();
  if (qv::Failed(again->Open(path))) return false;
  auto reopened = Clock::now();

  timing->open = Seconds(start, opened);
  timing->rows = Seconds(opened, rowsAdded);
  timing->components = Seconds(rowsAdded, componentsAdded);
  timing->save = Seconds(componentsAdded, saved);
  timing->reopen = Seconds(saved, reopened);
  std::filesystem::remove(path);
  return true;
}

}  // namespace

int main() {
  std::filesystem::path folder = std::filesystem::temp_directory_path() / "fernclip-bench-engine";
  std::filesystem::create_directories(folder);
  const int sizes[] = {50000, 200000};
  Timing timings[2];
  for (int i = 0; i < 2; ++i) {
    if (!Measure(sizes[i], folder, &timings[i])) {
      std::fprintf(stderr, "the engine failed at %d rows\n", sizes[i]);
      return 1;
    }
    const Timing& t = timings[i];
    std::printf("%7d rows: open %.3f s, add rows %.3f s (%.2f us/row), %d components %.3f s, save %.3f s, reopen %.3f s\n",
                sizes[i], t.open, t.rows, t.rows * 1e6 / sizes[i], sizes[i] / 10, t.components, t.save, t.reopen);
  }
  std::printf("ratio 200,000 / 50,000 (linear is 4.0): add rows %.2f, components %.2f, save %.2f, reopen %.2f\n",
              timings[1].rows / timings[0].rows, timings[1].components / timings[0].components, timings[1].save / timings[0].save,
              timings[1].reopen / timings[0].reopen);
  std::filesystem::remove_all(folder);
  return 0;
}
