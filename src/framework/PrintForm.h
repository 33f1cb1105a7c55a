// Prints a picture of a window on one page, scaled to fill the page along one side.
#pragma once

#include <functional>

class QPrinter;
class QWidget;

namespace qorva {

// Prints FormIn after the user confirms the print dialog. A failure is reported in a
// plain message box and never passed to the caller.
void DoPrintForm(QWidget* FormIn);

// The step that lets the user confirm printing: true to print on the printer as set up,
// false to print nothing. The default shows the standard print dialog owned by `owner`.
using PrintDialogHook = std::function<bool(QPrinter& printer, QWidget* owner)>;
// Installs `hook` (an empty one restores the dialog) and returns the previous hook.
PrintDialogHook SetPrintDialogHook(PrintDialogHook hook);

}  // namespace qorva
