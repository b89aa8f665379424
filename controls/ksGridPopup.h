// The popup-menu operations of the library's grids: 18 of the library's
// own (grid mode, export to a worksheet, print preview, the filter dialog,
// the host's calculator and sales hooks, and the events of the views' popup
// properties) and 14 of the grid's, each with its caption, made once at
// start-up for the host's menus. An operation acts on the view the popup
// menu was opened over (the hit view).
#pragma once

#include <QKeySequence>
#include <functional>
#include <memory>
#include <vector>

#include "controls/ksGrid.h"
#include "platform/gui/ResourceStrings.h"

class TcxGrid;
class TcxGridTablePopupMenuOperation;

// The view the last popup menu was opened over; the view sets it.
void SetGridPopupHitView(TcxGridDBTableView* view);
TcxGridDBTableView* GridPopupHitView();

class TcxGridTablePopupMenuOperation {
 public:
  virtual ~TcxGridTablePopupMenuOperation() = default;
  virtual String Caption() const = 0;
  // The grid's own step does nothing; the library's operations act here.
  virtual void Execute(QObject* sender) { (void)sender; }
  virtual bool Checked() const { return false; }
  virtual bool Enabled() const { return true; }
  TcxGridDBTableView* HitGridView() const { return GridPopupHitView(); }
};

// The grid's own operations: their captions are the grid's replaceable
// texts; sorting, grouping, footers and the rest are the grid's features,
// which this grid does not have, so they only show.
class TcxGridPlatformOperation : public TcxGridTablePopupMenuOperation {
 public:
  explicit TcxGridPlatformOperation(TcxResourceString caption) : FCaption(caption) {}
  String Caption() const override { return ResourceString(FCaption); }

 private:
  TcxResourceString FCaption;
};

// An operation of the library with a fixed caption.
class TksGridOperation : public TcxGridTablePopupMenuOperation {
 public:
  explicit TksGridOperation(const char16_t* caption) : FCaption(caption) {}
  String Caption() const override { return FCaption; }

 private:
  String FCaption;
};

// Toggles grid (server) mode of the hit view.
class TkscxPopupGridMode : public TksGridOperation {
 public:
  TkscxPopupGridMode();
  void Execute(QObject* sender) override;
  bool Checked() const override { return FChecked; }
  void SetChecked(bool value) { FChecked = value; }

 private:
  bool FChecked = false;
};

// Asks for an .xls file and writes the hit view's grid into it.
class TkscxPopupExport2Excel : public TksGridOperation {
 public:
  TkscxPopupExport2Excel();
  void Execute(QObject* sender) override;
};

class TkscxPopupCalculator : public TksGridOperation {
 public:
  TkscxPopupCalculator();
  void Execute(QObject* sender) override;
};

// The print preview of the hit view's grid on A4.
class TkscxPopupPrint : public TksGridOperation {
 public:
  TkscxPopupPrint();
  void Execute(QObject* sender) override;
};

// The filter dialog of the hit view; not while the view is in grid mode.
class TkscxPopupFilterEx : public TksGridOperation {
 public:
  TkscxPopupFilterEx();
  void Execute(QObject* sender) override;
  bool Enabled() const override;
};

// The host's sales, purchase and stock views of the hit view's row.
class TkscxPopupKAOperation : public TksGridOperation {
 public:
  using TksGridOperation::TksGridOperation;
  void Execute(QObject* sender) override;
};
class TkscxPopupKASales : public TkscxPopupKAOperation {
 public:
  TkscxPopupKASales() : TkscxPopupKAOperation(u"Prodaja") {}
};
class TkscxPopupKAPurch : public TkscxPopupKAOperation {
 public:
  TkscxPopupKAPurch() : TkscxPopupKAOperation(u"Nabava") {}
};
class TkscxPopupKAStock : public TkscxPopupKAOperation {
 public:
  TkscxPopupKAStock() : TkscxPopupKAOperation(u"Zaloga") {}
};

// Fires one event of the hit view's popup properties with the sender.
class TkscxGridPopEventOperation : public TksGridOperation {
 public:
  using TEvent = TksCustomGridPopUpProperties::TNotifyEvent TksCustomGridPopUpProperties::*;
  TkscxGridPopEventOperation(const char16_t* caption, TEvent event) : TksGridOperation(caption), FEvent(event) {}
  void Execute(QObject* sender) override;

 private:
  TEvent FEvent;
};

#define KS_GRID_POP_EVENT(ClassName, CaptionText, Event)                                          \
  class ClassName : public TkscxGridPopEventOperation {                                           \
   public:                                                                                        \
    ClassName() : TkscxGridPopEventOperation(CaptionText, &TksCustomGridPopUpProperties::Event) {} \
  };
KS_GRID_POP_EVENT(TkscxGridPopMarkAll, u"Mark all", OnGridPopMarkAll)
KS_GRID_POP_EVENT(TkscxGridPopSelectMarked, u"Select marked", OnGridPopSelectMarked)
KS_GRID_POP_EVENT(TkscxGridPopSelectAll, u"Select all", OnGridPopSelectAll)
KS_GRID_POP_EVENT(TkscxGridPopSelectInverse, u"Select inverse", OnGridPopSelectInverse)
KS_GRID_POP_EVENT(TkscxGridPopDeclineInverse, u"Decline marked", OnGridPopDeclineInverse)
KS_GRID_POP_EVENT(TkscxGridPopDeclineAll, u"Decline all", OnGridPopDeclineAll)
KS_GRID_POP_EVENT(TkscxGridPopDeleteMarked, u"Delete marked", OnGridPopDeleteMarked)
KS_GRID_POP_EVENT(TkscxGridPopInverseMarked, u"Inverse marked", OnGridPopInverseMarked)
KS_GRID_POP_EVENT(TkscxGridPopShowSUMValues, u"Show SUM values", OnGridPopShowSUMValues)
#undef KS_GRID_POP_EVENT

class TkscxGridPopAllRecords : public TksGridOperation {
 public:
  TkscxGridPopAllRecords() : TksGridOperation(u"All records") {}
};

// The properties whose events an operation fires: those of the hit view
// when it is one of the library's table views; false otherwise.
bool AssignedGridViewPopUpProperties(const TcxGridTablePopupMenuOperation* operation,
                                     TksGridPopUpProperties*& properties);

// Writes every row of the grid's view into a worksheet file (.xls) through
// the export's XLS writer, the column captions on top. The flags name what
// this writer always does: expand opens detail views, which this grid does
// not have; save all, the native format and the extension "xls" are the
// only way it writes. Raises what the writer raises.
void ExportGridToExcel(const String& fileName, TcxGrid* grid, bool expand, bool saveAll, bool nativeFormat,
                       const String& fileExtension);

// The incremental-search shortcut of the library's grids.
extern QKeySequence GridIncSearchShortcut;
// The host's hooks; empty unless a host sets them.
extern std::function<void(TcxGridDBTableView* view)> OnTriggerCalc;
extern std::function<void(TcxGridTablePopupMenuOperation* operation, TcxGridDBTableView* view)> OnKALMClick;
extern void (*OnGridModeClick)(TcxGridDBTableView* view);

// The 32 operations in the order they were made; empty outside start-up
// and finalization of the grid utilities.
const std::vector<std::unique_ptr<TcxGridTablePopupMenuOperation>>& GridPopupOperations();
template <class TOperation>
TOperation* GridPopupOperation() {
  for (const auto& op : GridPopupOperations()) {
    if (auto* found = dynamic_cast<TOperation*>(op.get())) return found;
  }
  return nullptr;
}

// The grid utilities unit.
void GridUtilsInitialize();
void GridUtilsFinalize();
