// Printing a grid: a report link renders the columns and rows of a grid's
// view onto the pages of a printer, and shows them in a print preview.
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

class QPrinter;
class TcxGrid;

// The printer the report links of a form share.
class TdxComponentPrinter : public QObject {
  Q_OBJECT

 public:
  explicit TdxComponentPrinter(QObject* owner = nullptr);
  ~TdxComponentPrinter() override;
  QPrinter& Printer() { return *FPrinter; }

 private:
  std::unique_ptr<QPrinter> FPrinter;
};

struct TdxPrinterPage {
  // The Windows paper code: 9 is A4, 1 Letter.
  int PaperSize = 9;
};

class TdxGridReportLink : public QObject {
  Q_OBJECT

 public:
  explicit TdxGridReportLink(QObject* owner = nullptr);
  void SetComponentPrinter(TdxComponentPrinter* printer) { FPrinter = printer; }
  void SetComponent(TcxGrid* grid) { FComponent = grid; }
  TcxGrid* Component() const { return FComponent; }
  TdxPrinterPage& PrinterPage() { return FPrinterPage; }

  // Shows the pages in the print preview, from which the user prints.
  void Preview(bool modal = true);
  // Renders every row of the grid's view onto the printer's pages: the
  // column captions on top of each page, then the rows.
  void Print(QPrinter& printer);

 private:
  QPointer<TdxComponentPrinter> FPrinter;
  QPointer<TcxGrid> FComponent;
  TdxPrinterPage FPrinterPage;
};
