// Rules about the authored user interface.
//
// ICE17: what a control shows or lists exists: a Bitmap or Icon control, and a push button,
// check box or radio button group with the bitmap or icon attribute, names a Binary row in its
// Text (unless the text is formatted and chosen at install time); a radio button group, combo
// box, list box or list view has rows for its property in the RadioButton, ComboBox, ListBox or
// ListView table. The installer fills the list of FileInUseProcess itself.
// ICE20: a package with dialogs (and without LIMITUI) has the standard dialogs: exit, user exit
// and fatal error dialogs at -1, -2 and -3 of each UI sequence table it has; an error dialog
// (the error dialog style bit, named by the ErrorDialog property) with an ErrorText control and
// the buttons A, C, I, N, O, R, Y ending the dialog with ErrorAbort ... ErrorYes; and a
// FilesInUse dialog with a list box of FileInUseProcess and buttons that end it with Ignore,
// Exit and Retry. The published rule also wants the error buttons of one size and height; that
// layout check is left out.
#include "rules.h"

namespace validation {
namespace {

constexpr int32_t kControlBitmap = 0x40000, kControlIcon = 0x80000;
constexpr int32_t kDialogError = 0x10000;

}  // namespace

void Ice17(const PackageIndex& package, Report& report) {
  const TableView binary = package.View("Binary");
  std::map<std::string, std::set<std::string>> listed;  // list table -> properties with rows
  for (const char* table : {"RadioButton", "ComboBox", "ListBox", "ListView"}) {
    const TableView view = package.View(table);
    const int property = view.Column("Property");
    view.ForEach([&](const Row& row) { listed[table].insert(TableView::Text(row, property)); });
  }
  const std::map<std::string, std::string> listTables = {
      {"RadioButtonGroup", "RadioButton"}, {"ComboBox", "ComboBox"}, {"ListBox", "ListBox"}, {"ListView", "ListView"}};

  const TableView controls = package.View("Control");
  const int type = controls.Column("Type"), attributes = controls.Column("Attributes"),
            property = controls.Column("Property"), text = controls.Column("Text");
  controls.ForEach([&](const Row& row) {
    const std::string kind = TableView::Text(row, type), key = controls.KeyText(row);
    const int32_t bits = TableView::Integer(row, attributes).value_or(0);
    const bool showsPicture = kind == "Bitmap" || kind == "Icon" ||
                              ((kind == "PushButton" || kind == "CheckBox" || kind == "RadioButtonGroup") &&
                               (bits & (kControlBitmap | kControlIcon)));
    const std::string picture = TableView::Text(row, text);
    if (showsPicture && picture.find('[') == std::string::npos && !binary.Find(picture))
      report.Error("ICE17", "Control", key,
                   kind + " control " + Quote(key) + " shows " + Quote(picture) + ", which is not in the Binary table.");
    auto list = listTables.find(kind);
    const std::string listed_property = TableView::Text(row, property);
    if (list != listTables.end() && listed_property != "FileInUseProcess" && !listed[list->second].count(listed_property))
      report.Error("ICE17", "Control", key,
                   kind + " control " + Quote(key) + " lists the property " + Quote(listed_property) +
                       ", which has no rows in the " + list->second + " table.");
  });
}

void Ice20(const PackageIndex& package, Report& report) {
  const TableView dialogs = package.View("Dialog");
  if (!dialogs || package.Property("LIMITUI")) return;

  for (const char* tableName : {"InstallUISequence", "AdminUISequence"}) {
    const TableView table = package.View(tableName);
    if (!table) continue;
    std::set<int32_t> numbers;
    const int sequence = table.Column("Sequence");
    table.ForEach([&](const Row& row) {
      if (auto number = TableView::Integer(row, sequence)) numbers.insert(*number);
    });
    constexpr std::pair<int32_t, const char*> kStandardDialogs[] = {{-1, "exit"}, {-2, "user exit"}, {-3, "fatal error"}};
    for (const auto& [number, name] : kStandardDialogs)
      if (!numbers.count(number))
        report.Error("ICE20", tableName, "",
                     std::string("Table ") + tableName + " has no " + name + " dialog (sequence " + std::to_string(number) + ").");
  }

  // Controls and the arguments of their EndDialog events, by dialog.
  std::map<std::string, std::map<std::string, const Row*>> controlsOf;
  const TableView controls = package.View("Control");
  controls.ForEach([&](const Row& row) { controlsOf[TableView::Text(row, 0)][TableView::Text(row, 1)] = &row; });
  std::map<std::pair<std::string, std::string>, std::set<std::string>> endDialog;  // (dialog, control) -> arguments
  const TableView events = package.View("ControlEvent");
  const int event = events.Column("Event"), argument = events.Column("Argument");
  events.ForEach([&](const Row& row) {
    if (TableView::Text(row, event) == "EndDialog")
      endDialog[{TableView::Text(row, 0), TableView::Text(row, 1)}].insert(TableView::Text(row, argument));
  });
  auto endsWith = [&](const std::string& dialog, const std::string& control, const std::string& how) {
    auto found = endDialog.find({dialog, control});
    return found != endDialog.end() && found->second.count(how);
  };

  const int dialogAttributes = dialogs.Column("Attributes");
  const std::string errorDialog = package.Property("ErrorDialog").value_or("");
  const Row* error = dialogs.Find(errorDialog);
  if (!error || !(TableView::Integer(*error, dialogAttributes).value_or(0) & kDialogError)) {
    report.Error("ICE20", "Property", "ErrorDialog",
                 "The ErrorDialog property " + (errorDialog.empty() ? std::string("is missing") : "names " + Quote(errorDialog)) +
                     "; it must name a dialog with the error dialog style bit.");
  } else {
    const auto& errorControls = controlsOf[errorDialog];
    if (!errorControls.count("ErrorText"))
      report.Error("ICE20", "Dialog", errorDialog, "The error dialog " + Quote(errorDialog) + " has no ErrorText control.");
    constexpr std::pair<const char*, const char*> kButtons[] = {{"A", "ErrorAbort"}, {"C", "ErrorCancel"},
                                                                {"I", "ErrorIgnore"}, {"N", "ErrorNo"},
                                                                {"O", "ErrorOk"},     {"R", "ErrorRetry"},
                                                                {"Y", "ErrorYes"}};
    for (const auto& [button, how] : kButtons)
      if (!endsWith(errorDialog, button, how))
        report.Error("ICE20", "Dialog", errorDialog,
                     "The error dialog " + Quote(errorDialog) + " has no button " + Quote(button) + " that ends it with " +
                         how + ".");
  }

  if (!dialogs.Find("FilesInUse")) {
    report.Error("ICE20", "Dialog", "FilesInUse", "The package has dialogs but no FilesInUse dialog.");
    return;
  }
  bool listsProcesses = false;
  std::set<std::string> endings;
  for (const auto& [name, row] : controlsOf["FilesInUse"]) {
    listsProcesses |= TableView::Text(*row, 2) == "ListBox" && TableView::Text(*row, controls.Column("Property")) == "FileInUseProcess";
    for (const char* how : {"Ignore", "Exit", "Retry"})
      if (endsWith("FilesInUse", name, how)) endings.insert(how);
  }
  if (!listsProcesses)
    report.Error("ICE20", "Dialog", "FilesInUse", "The FilesInUse dialog has no list box of the property FileInUseProcess.");
  for (const char* how : {"Ignore", "Exit", "Retry"})
    if (!endings.count(how))
      report.Error("ICE20", "Dialog", "FilesInUse",
                   std::string("The FilesInUse dialog has no button that ends it with ") + how + ".");
}

}  // namespace validation
