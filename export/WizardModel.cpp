#include "export/WizardModel.h"

#include <algorithm>
#include <initializer_list>

#include "export/ExportComponent.h"
#include "export/ExportMessages.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

const TColor ColorValues[44] = {
    0x000000,   0x000080,   0x008000,   0x008080,   0x800000,   0x800080,   0x808000,   0x808080,   0xC0C0C0,
    0x0000FF,   0x00FF00,   0x00FFFF,   0xFF0000,   0xFF00FF,   0xFFFF00,   0xFFFFFF,   0xFF000000, 0xFF000001,
    0xFF000002, 0xFF000003, 0xFF000004, 0xFF000005, 0xFF000006, 0xFF000007, 0xFF000008, 0xFF000009, 0xFF00000A,
    0xFF00000B, 0xFF00000C, 0xFF00000D, 0xFF00000E, 0xFF00000F, 0xFF000010, 0xFF000011, 0xFF000012, 0xFF000013,
    0xFF000014, 0xFF000015, 0xFF000016, 0xFF000017, 0xFF000018, 0xA6CAF0,   0xC0DCC0,   0xFFFBF0};

namespace {

bool In(TTableTypeExport t, std::initializer_list<TTableTypeExport> set) {
  return std::find(set.begin(), set.end(), t) != set.end();
}

// The targets that write neither colours nor fonts.
bool PlainTarget(TTableTypeExport t) {
  return In(t, {teParadox, teDBase, teText, teSYLK, teDIF, teSQL, teXML, teAccess, teClipboard, teSPSS, teADO,
                teJSON});
}

constexpr char16_t kProvider[] = u"Provider=";
constexpr char16_t kDataSource[] = u"Data Source=";

size_t ExtensionStart(const String& fileName) {
  const size_t dot = fileName.rfind(u'.');
  const size_t slash = fileName.rfind(u'/');
  if (dot == String::npos || (slash != String::npos && dot < slash)) return String::npos;
  return dot;
}

TWizardFieldItem* SelectedField(TZAZWizardControls& c) {
  const Integer index = c.clbFields.ItemIndex;
  if (index < 0 || index >= static_cast<Integer>(c.FieldItems.size())) return nullptr;
  return &c.FieldItems[static_cast<size_t>(index)];
}

}  // namespace

Integer ColorIndex(TColor color) {
  for (Integer i = 0; i < 44; ++i)
    if (ColorValues[i] == color) return i;
  return 0;
}

String GetCaptionFont(const TFont& font) { return font.Name + u", " + IntToStr(font.Size); }

// ---------------------------------------------------------------------------
// Navigation

bool WizardPageUsed(Integer step, TTableTypeExport t) {
  switch (step) {
    case 3: return In(t, {teText, teClipboard});
    case 4: return t == teSQL;
    case 7: return !In(t, {teParadox, teDBase, teAccess, teADO});
    case 8: return In(t, {teExcel, teWord, tePDF});
    case 9:
      return !In(t, {teParadox, teDBase, teSYLK, teDIF, teSQL, teXML, teAccess, teSPSS, teLDIF, teADO, teJSON});
    default: return true;
  }
}

Integer WizardNextStep(Integer step, TTableTypeExport t, const std::function<bool(Integer)>& isValid) {
  while (step < WizardStepCount) {
    ++step;
    for (Integer page : {3, 4, 7, 8, 9})
      if (step == page && !WizardPageUsed(page, t)) ++step;
    if (step >= WizardStepCount || isValid(step)) break;
  }
  return step;
}

Integer WizardPrevStep(Integer step, TTableTypeExport t, const std::function<bool(Integer)>& isValid) {
  while (step > 1) {
    --step;
    for (Integer page : {9, 8, 7, 4, 3})
      if (step == page && !WizardPageUsed(page, t)) --step;
    if (step <= 1 || isValid(step)) break;
  }
  return step;
}

bool IsValidWizardStep(const TZAZWizardControls& c, Integer step) {
  switch (step) {
    case 1: return c.rgTableType.Enabled;
    case 3: return c.rbText1.Enabled || c.rgSeparator.Enabled || c.cbQualifier.Enabled || c.cbRecSeparator.Enabled;
    case 4: return c.gbSQL.Enabled;
    case 5: return c.gbFormat.Enabled;
    case 6: return c.clbFields.Enabled;
    case 7: return c.memoHeader.Enabled || c.memoFooter.Enabled;
    case 8: return c.gbOrientation.Enabled || c.gbMargin.Enabled || c.chkAutofit.Enabled;
    case 9: return c.rgLayout.Enabled || c.cbColorStyle.Enabled;
    default: return true;
  }
}

// ---------------------------------------------------------------------------
// The form's rules

TTableTypeExport GetTableTypeIndex(const TZAZWizardControls& c) {
  if (c.ShowCategories) return c.CategoryChecked >= 0 ? static_cast<TTableTypeExport>(c.CategoryChecked) : teParadox;
  const Integer index = c.rgTableType.ItemIndex;
  if (index < 0 || index >= static_cast<Integer>(c.TableTypeValues.size())) return teParadox;
  return c.TableTypeValues[static_cast<size_t>(index)];
}

void UpdateWizardButtons(TZAZWizardControls& c, Integer step, const TWizardContext& context) {
  const TTableTypeExport t = GetTableTypeIndex(c);
  c.rbText1.Enabled = In(t, {teText, teClipboard});
  c.rbText2.Enabled = c.rbText1.Enabled;

  c.cbTitleAlignment.Enabled = !In(t, {teParadox, teDBase, teSYLK, teDIF, teSQL, teXML, teAccess, teADO, teJSON});
  c.SMColorsCBTitle.Enabled = c.cbTitleAlignment.Enabled && !In(t, {teText, teClipboard});
  c.edTitleFont.Enabled = c.btnTitleFont.Enabled = c.SMColorsCBTitle.Enabled;
  c.cbDataAlignment.Enabled = c.cbTitleAlignment.Enabled;
  c.SMColorsCBData.Enabled = c.edDataFont.Enabled = c.btnDataFont.Enabled = c.SMColorsCBTitle.Enabled;

  c.btnPrev.Enabled = c.btnFirst.Enabled = step > 1;
  c.btnNext.Enabled = c.btnLast.Enabled = step < WizardStepCount;
  c.NextIsDefault = c.btnNext.Enabled;

  if (step < WizardStepCount) {
    c.CancelIsEscape = true;
    c.btnCancel.Caption = c.sCancel;
  } else {
    c.CancelIsEscape = false;
    c.btnCancel.Caption = context.SetupSpecificationOnly ? String(strBtnOk) : c.sExecute;
    c.edFileName.Enabled = c.edFileName.Visible = t != teClipboard;
    c.btnFileName.Visible = c.lblFileName.Visible = c.cbRowsPerFile.Visible = c.edRowsPerFile.Visible =
        c.edFileName.Enabled;
    c.btnFileName.Enabled = c.edFileName.Enabled;
  }
  c.lblStep.Caption = Format(c.sStep + u"  ", {step, WizardStepCount});

  c.cbAddTitle.Enabled = !In(t, {teParadox, teDBase});
  WizardAddTitleClick(c);
  c.cbWithoutFieldMask.Enabled = !In(t, {teText, teHTML, teWord, teClipboard, teRTF, tePDF});
  c.chkAutofit.Enabled = In(t, {teExcel, teWord});

  if (c.cbColorStyle.Enabled) c.cbColorStyle.Visible = c.lblStyle.Visible = !PlainTarget(t);
  c.rbColorsFonts.Visible = c.rbDataOnly.Visible = !PlainTarget(t);
  if (!c.rbColorsFonts.Visible) {
    c.rbDataOnly.Checked = true;
    c.rbColorsFonts.Checked = false;
  }
  c.rgLayout.ItemEnabled.assign(3, true);
  c.rgLayout.ItemEnabled[1] = !In(t, {teText, teHTML, teSQL, teClipboard});

  c.lblWidth.Visible = c.edWidth.Visible = c.lblWidthFix.Visible =
      (In(t, {teText, teClipboard}) && c.rbText2.Checked) || !In(t, {teText, teSQL, teClipboard});

  c.rgTableType.Visible = !c.ShowCategories;
  const size_t index = static_cast<size_t>(std::clamp<Integer>(step, 1, WizardStepCount) - 1);
  c.lblStepInfo.Caption = c.lblDescription.Caption = c.StepTexts[index];
  c.lblCaption.Caption = c.StepHeaders[index];
}

String WizardFileFilter(TTableTypeExport t) {
  return ExportMessageText(29 + t) + u"|*" + TSMECustomBaseComponent::GetDefExt(t) + u"|" + ExportMessageText(81);
}

String WizardFileNameFor(const String& fileName, TTableTypeExport t) {
  if (fileName.empty()) return fileName;
  String name = fileName;
  if (t == teADO) {
    if (name.find(kProvider) == String::npos) name = String(kDataSource) + u"\"" + name + u"\"";
    return name;
  }
  const size_t source = name.find(kDataSource);
  if (name.find(kProvider) != String::npos && source != String::npos) {
    name = name.substr(source + std::char_traits<char16_t>::length(kDataSource));
    const size_t semicolon = name.find(u';');
    if (semicolon != String::npos) name = name.substr(0, semicolon + 1);
  }
  return name.substr(0, ExtensionStart(name)) + TSMECustomBaseComponent::GetDefExt(t);
}

void WizardTableTypeClick(TZAZWizardControls& c, const TWizardContext& context) {
  const TTableTypeExport t = GetTableTypeIndex(c);
  c.edFileName.Text = WizardFileNameFor(c.edFileName.Text, t);
  c.cbTableNames.Visible = c.lblTableName.Visible = In(t, {teSQL, teAccess, teADO});
  c.cbAccessVersion.Visible = t == teAccess;
  c.cbOOFileFilter.Visible = c.lblOOFileFilter.Visible = t == teOpenOffice;
  if (c.cbOOFileFilter.Visible && c.cbOOFileFilter.Items.empty() && context.FilterNames) {
    c.cbOOFileFilter.SetItems(context.FilterNames());
    const auto found = std::find(c.cbOOFileFilter.Items.begin(), c.cbOOFileFilter.Items.end(), context.FilterName);
    c.cbOOFileFilter.ItemIndex =
        found == c.cbOOFileFilter.Items.end() ? -1 : static_cast<Integer>(found - c.cbOOFileFilter.Items.begin());
  }
  // The label's tag remembers whether the restriction left it visible.
  c.edKeyGenerator.Visible = c.lblKeyGenerator.Visible =
      c.lblKeyGenerator.Tag != 0 && In(t, {teExcel, teSYLK, teDIF, tePDF});
  UpdateMergeStatus(c, context);
}

void UpdateMergeStatus(TZAZWizardControls& c, const TWizardContext& context) {
  const TTableTypeExport t = GetTableTypeIndex(c);
  const auto exists = [&](const String& name) {
    return !name.empty() && (context.FileExists ? context.FileExists(name) : FileExists(name));
  };
  c.cbMerged.Enabled =
      t == teClipboard || (In(t, {teParadox, teText, teExcel, teWord, teXML, teAccess}) && exists(c.edFileName.Text));
}

bool ValidFileName(StringView fileName) {
  for (char16_t ch : fileName)
    if (ch < 32 || ch == u'"' || ch == u'\'' || ch == u'*' || ch == u';' || ch == u'<' || ch == u'>' || ch == u'?' ||
        ch == u'|')
      return false;
  return true;
}

void WizardSeparatorClick(TZAZWizardControls& c) { c.edSymbol.Enabled = c.rgSeparator.ItemIndex == 5; }

void WizardAddTitleClick(TZAZWizardControls& c) {
  c.cbAddBlankRow.Enabled = c.cbAddTitle.Enabled && c.cbAddTitle.Checked;
}

void WizardHeaderFooterClick(TZAZWizardControls& c) {
  c.memoHeader.Enabled = c.chkHeader.Checked;
  c.memoFooter.Enabled = c.chkFooter.Checked;
}

void WizardColorsFontsClick(TZAZWizardControls& c) {
  c.cbColorStyle.Enabled = c.rbColorsFonts.Checked && c.cbColorStyle.Visible;
}

void WizardFixedWidthClick(TZAZWizardControls& c) {
  c.rgSeparator.ItemIndex = 4;
  WizardSeparatorClick(c);
}

// ---------------------------------------------------------------------------
// The Columns page

void WizardFieldsClick(TZAZWizardControls& c) {
  const TWizardFieldItem* item = SelectedField(c);
  if (item == nullptr) return;
  const TSMEColumn& column = item->Column;
  c.edTitleCaption.Text = column.Title.Caption;
  c.cbTitleAlignment.ItemIndex = column.Title.Alignment;
  c.SMColorsCBTitle.ItemIndex = ColorIndex(column.Title.Color);
  c.TitleFont = column.Title.Font;
  c.edTitleFont.Text = GetCaptionFont(c.TitleFont);
  c.cbDataAlignment.ItemIndex = column.Alignment;
  c.SMColorsCBData.ItemIndex = ColorIndex(column.Color);
  c.DataFont = column.Font;
  c.edDataFont.Text = GetCaptionFont(c.DataFont);
  c.edWidth.Text = IntToStr(column.Width);
}

void WizardPropertyExit(TZAZWizardControls& c, Integer tag, TSMEFieldDisplayFormat format) {
  TWizardFieldItem* item = SelectedField(c);
  if (item == nullptr) return;
  TSMEColumn& column = item->Column;
  const auto colour = [](const TWizardControl& list, TColor& target) {
    if (list.ItemIndex >= 0 && list.ItemIndex < 44) target = ColorValues[list.ItemIndex];
  };
  const auto alignment = [](const TWizardControl& list, TAlignment& target) {
    if (list.ItemIndex >= taLeftJustify && list.ItemIndex <= taCenter) target = static_cast<TAlignment>(list.ItemIndex);
  };
  switch (tag) {
    case 1:
      column.Title.Caption = c.edTitleCaption.Text;
      item->Caption = column.GetItemCaption(format);
      break;
    case 2: alignment(c.cbTitleAlignment, column.Title.Alignment); break;
    case 3: colour(c.SMColorsCBTitle, column.Title.Color); break;
    case 4: column.Title.Font = c.TitleFont; break;
    case 5: alignment(c.cbDataAlignment, column.Alignment); break;
    case 6: colour(c.SMColorsCBData, column.Color); break;
    case 7: column.Font = c.DataFont; break;
    case 9: column.Width = StrToIntDef(Trim(c.edWidth.Text), 0); break;
    default: break;
  }
}

void WizardSetChecked(TZAZWizardControls& c, Integer index, bool checked) {
  if (index < 0 || index >= static_cast<Integer>(c.FieldItems.size())) return;
  TWizardFieldItem& item = c.FieldItems[static_cast<size_t>(index)];
  item.Checked = checked;
  item.Column.Visible = checked;
}

void WizardSelectAll(TZAZWizardControls& c, Integer mode) {
  for (Integer i = 0; i < static_cast<Integer>(c.FieldItems.size()); ++i)
    WizardSetChecked(c, i, mode == 0 ? true : mode == 1 ? false : !c.FieldItems[static_cast<size_t>(i)].Checked);
}

void WizardMoveField(TZAZWizardControls& c, Integer from, Integer to) {
  const Integer count = static_cast<Integer>(c.FieldItems.size());
  if (from < 0 || from >= count || to < 0 || to >= count) return;
  TWizardFieldItem moved = c.FieldItems[static_cast<size_t>(from)];
  c.FieldItems.erase(c.FieldItems.begin() + from);
  c.FieldItems.insert(c.FieldItems.begin() + to, std::move(moved));
  c.clbFields.ItemIndex = to;
}

void WizardInsertSysVar(TZAZWizardControls& c, Integer tag, const String& caption, TSMEFieldDisplayFormat format) {
  static const char16_t* const names[] = {u"ROWNO", u"COLNO", u"COUNT", u"ERRCOUNT", u"GENERATOR"};
  if (tag < 1 || tag > 5) return;
  TWizardFieldItem item;
  TSMEColumn& column = item.Column;
  column.ColumnKind = ckSysVar;
  column.FieldName = names[tag - 1];
  column.DataType = tag == 5 ? ctString : ctInteger;
  column.Title.Caption = caption;
  column.Title.Alignment = column.Alignment = tag == 5 ? taLeftJustify : taRightJustify;
  column.Title.Color = 0xFF00000F;  // button face
  column.Color = clWhite;
  column.Width = 10;
  item.Checked = true;
  item.Caption = column.GetItemCaption(format);
  const Integer count = static_cast<Integer>(c.FieldItems.size());
  const Integer at = c.clbFields.ItemIndex >= 0 && c.clbFields.ItemIndex < count ? c.clbFields.ItemIndex : count;
  c.FieldItems.insert(c.FieldItems.begin() + at, std::move(item));
  c.clbFields.ItemIndex = at;
}
