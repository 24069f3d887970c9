// The tool document's list exports: the walk and the formats live in list_export.
#include "model/export/list_export.h"
#include "model/documents/work_base.h"
#include "model/documents/work_derived.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/spreadsheet/spreadsheet.h"

void TTessorineholder::DoStartAnExcelFile(bool /*flag*/, TDocumentList* list) {
  if (StartAnExcelFile(1) && list) DefineExcelFormats(*list, *this, false);
}

void TTessorineholder::DoCloseAnExcelfile(UStringView file_name) {
  if (file_name.empty() || ExtractFileName(file_name).empty()) return;
  const bool ok = !ExcelFileOpen() || SaveAnExcelFile(file_name);
  CloseAnExcelFile();
  if (!ok) VXDialog(TVXDialog::FailedToSave, {file_name});
}
