// The expression builder without its display: the catalogue of items the
// user picks from (source fields, dataset fields, constants, operators,
// functions, statistics, parameters, each with a template and a help text),
// the text an item inserts, the renaming between field names and display
// names, and the check of an expression by the engine's parser.
#pragma once

#include <vector>

#include "import/WideStrings.h"
#include "platform/rtl/Types.h"

class TDataSet;
class TSMIParameters;
class TSMIWizardDlg;

// Category indexes of the catalogue.
enum TEBCategory { ebcDataSources, ebcConstants, ebcOperators, ebcFunctions, ebcVariables };

struct TEBItem {
  // Category index times 10000 plus the sub-category's position.
  Integer Code = 1;
  String Display;
  String Template;
  String Help;
};

struct TEBSubCategory {
  String Caption;
  Integer Category = 0;
};

// Reads a stored entry: a 5-digit code (1 when it is no number), then
// "display|template|help"; the type placeholders %b %d %n %s %v become
// words, from the left, up to the first placeholder of another letter.
TEBItem ReadBuilderEntry(const String& text);

class TExpressionCatalogue {
 public:
  // fields: the source field names, or nullptr for none (then there is no
  // "Source" sub-category). parameters may be nullptr.
  TExpressionCatalogue(const std::vector<TDataSet*>& dataSets, const TWideStrings* fields, bool useDisplayNames,
                       const TSMIParameters* parameters);

  const std::vector<String>& Categories() const { return FCategories; }
  // The sub-categories of a category, in order (their position is the
  // index in the result).
  std::vector<const TEBSubCategory*> SubCategories(Integer category) const;
  // The items of a sub-category, sorted by display.
  std::vector<const TEBItem*> Items(Integer category, Integer position) const;

  // The text a double click on the item inserts at the caret.
  String InsertText(const TEBItem& item, Integer category, Integer position) const;

  // The expression as the memo shows it: with display names, each
  // dataset field reference [Dataset.FIELD] shows the field as its display
  // name in double quotes.
  String ToDisplay(const String& expression) const;
  // The memo's text as the expression: line breaks removed and display
  // names turned back into field names.
  String FromDisplay(const String& memoText) const;

 private:
  struct TDataSetFields {
    String Name;
    std::vector<std::pair<String, String>> Fields;  // field name, display name
  };
  void Add(const String& entry);
  void AddSubCategory(Integer category, const String& caption);
  void AddUserFunctions();
  // Rewrites the field part of every bracketed dataset reference outside
  // string literals.
  String RenameReferences(const String& text, bool toDisplay) const;

  std::vector<String> FCategories;
  std::vector<TEBSubCategory> FSubCategories;
  std::vector<TEBItem> FItems;
  std::vector<TDataSetFields> FDataSets;
  bool FHasSource = false;
  bool FUseDisplayNames = false;
};

// Checks the expression with the engine's parser: true when it is valid,
// else false with the parser's message.
bool CheckExpression(const String& expression, String& message);

// The datasets the builder offers from the wizard: its destination first,
// then the datasets among its owner's components (for the destination
// itself, the datasets among its own components).
std::vector<TDataSet*> ExpressionDataSets(const TSMIWizardDlg& wizard);
