// The call order of every dataset operation: Internal* calls, Before/After
// events and what a data link hears, in one log.
#include "tests/db/contract_fixture.h"

namespace {

TEST_F(ContractTest, OpenAndClose) {
  ds.Close();
  Take();
  ds.Open();
  EXPECT_EQ(Take(), (Log{"BeforeOpen", "InternalOpen", "InternalFirst", "GetRecord(next)", "link:ActiveChanged",
                         "AfterOpen", "link:DataSetChanged"}));
  EXPECT_TRUE(ds.Bof());
  EXPECT_FALSE(ds.Eof());
  EXPECT_EQ(Id(), 1);

  ds.Open();  // already open: nothing
  EXPECT_EQ(Take(), Log{});

  ds.Close();
  EXPECT_EQ(Take(), (Log{"BeforeClose", "link:ActiveChanged", "InternalClose", "AfterClose"}));
  EXPECT_FALSE(ds.Active());
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_EQ(ds.FieldCount(), 0);  // default fields go with the close
  ds.Close();
  EXPECT_EQ(Take(), Log{});
}

TEST_F(ContractTest, OpenOfAnEmptyDatasetHasNoRecord) {
  TTestDataSet empty;
  empty.FieldDefs().Add(u"ID", ftInteger);
  empty.Open();
  EXPECT_TRUE(empty.Bof());
  EXPECT_TRUE(empty.Eof());
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_TRUE(empty.FieldByName(u"ID")->IsNull());
  EXPECT_EQ(empty.MoveBy(1), 0);
  EXPECT_DB_ERROR(empty.Delete(), "Cannot perform this operation on an empty dataset");
}

TEST_F(ContractTest, FailedOpenClosesAndLeavesTheDatasetInactive) {
  ds.Close();
  ds.OnInternalOpen = [] { throw EDatabaseError(u"no table"); };
  Take();
  EXPECT_THROW(ds.Open(), EDatabaseError);
  EXPECT_EQ(Take(), (Log{"BeforeOpen", "InternalOpen", "InternalClose"}));
  EXPECT_FALSE(ds.Active());
  EXPECT_EQ(ds.State(), dsInactive);
  EXPECT_FALSE(link.Active());

  ds.OnInternalOpen = nullptr;
  ds.Open();
  EXPECT_EQ(Id(), 1);
}

TEST_F(ContractTest, FirstAndLast) {
  ds.Last();
  EXPECT_EQ(Take(), (Log{"link:CheckBrowseMode", "BeforeScroll", "InternalLast", "GetRecord(prior)",
                         "link:DataSetChanged", "AfterScroll"}));
  EXPECT_EQ(Id(), 3);
  EXPECT_TRUE(ds.Eof());
  EXPECT_FALSE(ds.Bof());

  ds.First();
  EXPECT_EQ(Take(), (Log{"link:CheckBrowseMode", "BeforeScroll", "InternalFirst", "GetRecord(next)",
                         "link:DataSetChanged", "AfterScroll"}));
  EXPECT_EQ(Id(), 1);
  EXPECT_TRUE(ds.Bof());
  EXPECT_FALSE(ds.Eof());
}

TEST_F(ContractTest, NextPriorAndTheEnds) {
  ds.Next();
  EXPECT_EQ(Take(), (Log{"link:CheckBrowseMode", "BeforeScroll", "GetRecord(next)", "link:Scrolled(1)", "AfterScroll"}));
  EXPECT_EQ(Id(), 2);
  EXPECT_FALSE(ds.Bof());

  EXPECT_EQ(ds.MoveBy(5), 1);
  EXPECT_EQ(Take(), (Log{"link:CheckBrowseMode", "BeforeScroll", "GetRecord(next)", "GetRecord(next)",
                         "link:Scrolled(1)", "AfterScroll"}));
  EXPECT_EQ(Id(), 3);  // the last record stays in the buffer
  EXPECT_TRUE(ds.Eof());

  // At the end nothing moves and no scroll event comes.
  EXPECT_EQ(ds.MoveBy(1), 0);
  EXPECT_EQ(Take(), Log{"link:CheckBrowseMode"});

  // The cursor went past the end: it comes back to the active record first.
  ds.Prior();
  EXPECT_EQ(Take(), (Log{"link:CheckBrowseMode", "BeforeScroll", "InternalSetToRecord", "GetRecord(prior)",
                         "link:Scrolled(-1)", "AfterScroll"}));
  EXPECT_EQ(Id(), 2);
  EXPECT_FALSE(ds.Eof());

  EXPECT_EQ(ds.MoveBy(-5), -1);
  EXPECT_EQ(Id(), 1);
  EXPECT_TRUE(ds.Bof());
  Take();
  // A single failed step still changes an end flag: the scroll events come.
  TTestDataSet one;
  one.FieldDefs().Add(u"ID", ftInteger);
  one.Open();
  one.Append();
  one.Post();
  one.First();
  int scrolls = 0;
  one.AfterScroll = [&](TDataSet*) { ++scrolls; };
  EXPECT_EQ(one.MoveBy(1), 0);
  EXPECT_TRUE(one.Eof());
  EXPECT_EQ(scrolls, 1);
}

TEST_F(ContractTest, SetRecNoMovesThroughResync) {
  ds.SetRecNo(3);
  EXPECT_EQ(Take(), (Log{"link:CheckBrowseMode", "BeforeScroll", "GetRecord(current)", "link:DataSetChanged",
                         "AfterScroll"}));
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(ds.RecNo(), 3);
}

TEST_F(ContractTest, InsertPutsTheRecordBeforeTheCurrentOne) {
  ds.Next();
  Take();
  ds.Insert();
  EXPECT_EQ(Take(), (Log{"link:CheckBrowseMode", "BeforeInsert", "BeforeScroll", "InternalInsert", "InternalInitRecord",
                         "link:EditingChanged", "OnNewRecord", "AfterInsert", "AfterScroll", "link:DataSetChanged"}));
  EXPECT_EQ(ds.State(), dsInsert);
  EXPECT_TRUE(ds.FieldByName(u"ID")->IsNull());
  EXPECT_TRUE(ds.GetBookmark().empty());

  ds.FieldByName(u"ID")->SetAsInteger(10);
  EXPECT_EQ(Take(), Log{"link:RecordChanged(ID)"});
  ds.Post();
  EXPECT_EQ(Take(), (Log{"link:UpdateData", "link:CheckBrowseMode", "BeforePost", "InternalPost",
                         "link:EditingChanged", "GetRecord(current)", "link:DataSetChanged", "AfterPost"}));
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(Id(), 10);
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 10, 2, 3}));
}

TEST_F(ContractTest, AppendPutsTheRecordLast) {
  ds.Append();
  EXPECT_EQ(Take(), (Log{"link:CheckBrowseMode", "BeforeInsert", "BeforeScroll", "InternalLast", "InternalInsert",
                         "InternalInitRecord", "link:EditingChanged", "OnNewRecord", "AfterInsert", "AfterScroll",
                         "link:DataSetChanged"}));
  ds.FieldByName(u"ID")->SetAsInteger(4);
  ds.Post();
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 2, 3, 4}));
  EXPECT_EQ(Id(), 4);
}

TEST_F(ContractTest, InsertIntoAnEmptyDataset) {
  TTestDataSet empty;
  empty.FieldDefs().Add(u"ID", ftInteger);
  empty.Open();
  empty.Insert();
  empty.FieldByName(u"ID")->SetAsInteger(7);
  empty.Post();
  EXPECT_EQ(empty.RecordCount(), 1);
  EXPECT_EQ(empty.FieldByName(u"ID")->AsInteger(), 7);
  // Edit of an empty dataset inserts.
  TTestDataSet other;
  other.FieldDefs().Add(u"ID", ftInteger);
  other.Open();
  other.Edit();
  EXPECT_EQ(other.State(), dsInsert);
}

TEST_F(ContractTest, FailingNewRecordHandlerLeavesBrowseMode) {
  ds.Next();
  ds.OnNewRecord = [](TDataSet*) { throw EDatabaseError(u"no"); };
  EXPECT_THROW(ds.Insert(), EDatabaseError);
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(Id(), 2);
  EXPECT_EQ(ds.RecordCount(), 3);
}

TEST_F(ContractTest, EditPostAndCancel) {
  ds.Edit();
  EXPECT_EQ(Take(), (Log{"link:CheckBrowseMode", "BeforeEdit", "InternalEdit", "link:EditingChanged",
                         "link:RecordChanged()", "AfterEdit"}));
  EXPECT_EQ(ds.State(), dsEdit);
  ds.Edit();  // already editing: nothing
  EXPECT_EQ(Take(), Log{});

  ds.FieldByName(u"NAME")->SetAsString(u"uno");
  EXPECT_TRUE(ds.Modified());
  ds.Cancel();
  EXPECT_EQ(Take(), (Log{"link:RecordChanged(NAME)", "link:CheckBrowseMode", "BeforeCancel", "InternalCancel",
                         "link:EditingChanged", "GetRecord(current)", "link:DataSetChanged", "AfterCancel"}));
  EXPECT_EQ(NameText(), u"one");
  EXPECT_FALSE(ds.Modified());

  ds.Edit();
  ds.FieldByName(u"NAME")->SetAsString(u"uno");
  Take();
  ds.Post();
  EXPECT_EQ(Take(), (Log{"link:UpdateData", "link:CheckBrowseMode", "BeforePost", "InternalPost",
                         "link:EditingChanged", "GetRecord(current)", "link:DataSetChanged", "AfterPost"}));
  EXPECT_EQ(NameText(), u"uno");

  // Post and Cancel in browse mode do nothing.
  ds.Post();
  ds.Cancel();
  EXPECT_EQ(Take(), Log{});
}

TEST_F(ContractTest, FailingPostKeepsTheEdit) {
  ds.Edit();
  ds.FieldByName(u"NAME")->SetAsString(u"uno");
  ds.BeforePost = [](TDataSet*) { throw EDatabaseError(u"not now"); };
  EXPECT_THROW(ds.Post(), EDatabaseError);
  EXPECT_EQ(ds.State(), dsEdit);
  EXPECT_EQ(NameText(), u"uno");
  ds.BeforePost = nullptr;
  ds.Post();
  EXPECT_EQ(NameText(), u"uno");
}

TEST_F(ContractTest, RequiredFieldsAreCheckedOnPost) {
  TField* name = ds.FieldByName(u"NAME");
  name->SetRequired(true);
  name->SetDisplayLabel(u"Name");
  ds.Append();
  ds.FieldByName(u"ID")->SetAsInteger(4);
  Take();
  EXPECT_DB_ERROR(ds.Post(), "Field 'Name' must have a value");
  Log taken = Take();
  EXPECT_EQ(taken.back(), "link:FocusControl(NAME)");
  EXPECT_EQ(ds.State(), dsInsert);

  // Read-only required fields are not checked: nothing can fill them.
  name->SetReadOnly(true);
  ds.Post();
  EXPECT_EQ(ds.RecordCount(), 4);
}

TEST_F(ContractTest, DeleteMovesToTheNextRecord) {
  ds.Next();
  Take();
  ds.Delete();
  EXPECT_EQ(Take(), (Log{"link:CheckBrowseMode", "BeforeDelete", "BeforeScroll", "InternalDelete",
                         "GetRecord(current)", "link:DataSetChanged", "AfterDelete", "AfterScroll"}));
  EXPECT_EQ(Id(), 3);

  // The last record gone, the one before it becomes current.
  ds.Delete();
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(ds.RecordCount(), 1);
  ds.Delete();
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_TRUE(ds.Eof());
  EXPECT_DB_ERROR(ds.Delete(), "Cannot perform this operation on an empty dataset");
}

TEST_F(ContractTest, DeleteWhileInsertingCancels) {
  ds.Insert();
  Take();
  ds.Delete();
  EXPECT_EQ(Take(), (Log{"link:CheckBrowseMode", "BeforeCancel", "InternalCancel", "link:EditingChanged",
                         "GetRecord(current)", "link:DataSetChanged", "AfterCancel"}));
  EXPECT_EQ(ds.RecordCount(), 3);
  EXPECT_EQ(Id(), 1);
}

TEST_F(ContractTest, CancelOfAnAppendShowsTheLastRecord) {
  ds.Append();
  ds.Cancel();
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(ds.RecordCount(), 3);
}

TEST_F(ContractTest, Refresh) {
  ds.Refresh();
  EXPECT_EQ(Take(), (Log{"BeforeRefresh", "link:CheckBrowseMode", "InternalRefresh", "GetRecord(current)",
                         "link:DataSetChanged", "AfterRefresh"}));
  EXPECT_EQ(Id(), 1);
}

TEST_F(ContractTest, CheckBrowseModePostsModifiedRecordsAndCancelsOthers) {
  ds.Edit();
  ds.Next();  // nothing changed: the edit is cancelled
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(Id(), 2);
  Take();

  ds.Edit();
  ds.FieldByName(u"NAME")->SetAsString(u"dos");
  ds.Next();  // a change: posted before moving
  Log taken = Take();
  EXPECT_NE(std::find(taken.begin(), taken.end(), "InternalPost"), taken.end());
  EXPECT_EQ(Id(), 3);
  ds.Prior();
  EXPECT_EQ(NameText(), u"dos");
}

TEST_F(ContractTest, UpdateRecordLetsControlsWriteBeforePost) {
  // The control writes its pending text when asked; its own write does not
  // come back to it as a record change.
  link.OnUpdateData = [this] { ds.FieldByName(u"NAME")->SetAsString(u"typed"); };
  ds.Edit();
  Take();
  ds.Post();
  Log taken = Take();
  EXPECT_EQ(taken.front(), "link:UpdateData");
  EXPECT_EQ(std::count(taken.begin(), taken.end(), "link:RecordChanged(NAME)"), 0);
  EXPECT_EQ(NameText(), u"typed");
}

TEST_F(ContractTest, ClosingCancelsAPendingEditWithoutEvents) {
  ds.Edit();
  ds.FieldByName(u"NAME")->SetAsString(u"lost");
  Take();
  ds.Close();
  EXPECT_EQ(Take(), (Log{"BeforeClose", "InternalCancel", "link:ActiveChanged", "link:EditingChanged",
                         "InternalClose", "AfterClose"}));
  ds.Open();
  EXPECT_EQ(NameText(), u"one");
}

TEST_F(ContractTest, ReadOnlyDatasetRefusesChanges) {
  ds.ReadOnlyData = true;
  EXPECT_FALSE(ds.CanModify());
  EXPECT_DB_ERROR(ds.Edit(), "Cannot modify a read-only dataset");
  EXPECT_DB_ERROR(ds.Insert(), "Cannot modify a read-only dataset");
  EXPECT_DB_ERROR(ds.Append(), "Cannot modify a read-only dataset");
  EXPECT_DB_ERROR(ds.Delete(), "Cannot modify a read-only dataset");
  EXPECT_EQ(ds.RecordCount(), 3);
  EXPECT_EQ(ds.State(), dsBrowse);
}

TEST_F(ContractTest, OperationsOnAClosedDataset) {
  ds.Close();
  EXPECT_DB_ERROR(ds.First(), "Cannot perform this operation on a closed dataset");
  EXPECT_DB_ERROR(ds.Next(), "Cannot perform this operation on a closed dataset");
  EXPECT_DB_ERROR(ds.Edit(), "Cannot perform this operation on a closed dataset");
  EXPECT_DB_ERROR(ds.Append(), "Cannot perform this operation on a closed dataset");
  EXPECT_DB_ERROR(ds.Delete(), "Cannot perform this operation on a closed dataset");
  EXPECT_DB_ERROR(ds.ReadRow(1, [] {}), "Cannot perform this operation on a closed dataset");
  // A named dataset puts its name in front.
  ds.SetName(u"Customers");
  EXPECT_DB_ERROR(ds.First(), "Customers: Cannot perform this operation on a closed dataset");
}

// ---------------------------------------------------------------------------
// Writing field values

TEST_F(ContractTest, WritesNeedAnEditStateAndAWritableField) {
  TField* name = ds.FieldByName(u"NAME");
  EXPECT_DB_ERROR(name->SetAsString(u"x"), "Dataset not in edit or insert mode");
  ds.Edit();
  name->SetReadOnly(true);
  EXPECT_DB_ERROR(name->SetAsString(u"x"), "Field 'NAME' cannot be modified");
  EXPECT_EQ(NameText(), u"one");
}

TEST_F(ContractTest, ValidateSeesTheNewValueAndCanRefuseIt) {
  TField* name = ds.FieldByName(u"NAME");
  std::vector<String> seen;
  name->OnValidate = [&](TField* f) {
    seen.push_back(f->IsNull() ? u"<null>" : f->AsString());
    if (f->AsString() == u"bad") throw EDatabaseError(u"refused");
  };
  int changes = 0;
  name->OnChange = [&](TField*) { ++changes; };
  ds.Edit();
  name->SetAsString(u"good");
  EXPECT_THROW(name->SetAsString(u"bad"), EDatabaseError);
  name->Clear();
  EXPECT_EQ(seen, (std::vector<String>{u"good", u"bad", u"<null>"}));
  EXPECT_EQ(changes, 2);  // the refused value changed nothing
  EXPECT_TRUE(name->IsNull());
  EXPECT_FALSE(name->Validating());
}

TEST_F(ContractTest, OldAndNewValues) {
  TField* name = ds.FieldByName(u"NAME");
  EXPECT_EQ(name->OldValue().AsString(), u"one");
  ds.Edit();
  name->SetAsString(u"uno");
  EXPECT_EQ(name->OldValue().AsString(), u"one");
  EXPECT_EQ(name->NewValue().AsString(), u"uno");
  EXPECT_EQ(name->AsString(), u"uno");
  ds.Cancel();
  ds.Insert();
  EXPECT_TRUE(name->OldValue().IsNull());
  EXPECT_EQ(ds.State(), dsInsert);  // reading a state value leaves the state
}

// ---------------------------------------------------------------------------
// Controls

TEST_F(ContractTest, DisabledControlsHearOneChangeAtTheEnd) {
  ds.DisableControls();
  ds.DisableControls();
  ds.Next();
  ds.Edit();
  ds.FieldByName(u"NAME")->SetAsString(u"dos");
  ds.Post();
  ds.EnableControls();
  Log taken = Take();
  EXPECT_EQ(std::count_if(taken.begin(), taken.end(), [](const std::string& e) { return e.rfind("link:", 0) == 0; }), 0);
  EXPECT_NE(std::find(taken.begin(), taken.end(), "AfterScroll"), taken.end());  // dataset events still run
  ds.EnableControls();
  EXPECT_EQ(Take(), Log{"link:DataSetChanged"});
  EXPECT_FALSE(ds.ControlsDisabled());

  // A state that changed meanwhile is announced first.
  ds.DisableControls();
  ds.Edit();
  ds.EnableControls();
  EXPECT_EQ(Take(), (Log{"BeforeEdit", "InternalEdit", "AfterEdit", "link:EditingChanged", "link:DataSetChanged"}));

  // Nothing held back: nothing sent.
  ds.Cancel();
  Take();
  ds.DisableControls();
  ds.EnableControls();
  ds.EnableControls();  // unbalanced: ignored
  EXPECT_EQ(Take(), Log{});
}

TEST_F(ContractTest, DataSourceEventsAndState) {
  std::vector<std::string> events;
  source.OnStateChange = [&](TDataSource* s) { events.push_back("state " + std::to_string(s->State())); };
  source.OnDataChange = [&](TDataSource*, TField* f) {
    events.push_back("data " + (f != nullptr ? StringToUtf8(f->FieldName()) : std::string("-")));
  };
  ds.Edit();
  ds.FieldByName(u"ID")->SetAsInteger(5);
  ds.Post();
  ds.Next();
  EXPECT_EQ(events, (std::vector<std::string>{"state 2", "data -", "data ID", "state 1", "data -", "data -"}));

  // A disabled source, and one without a dataset, are inactive for links.
  source.SetEnabled(false);
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(source.State(), dsInactive);
  source.SetEnabled(true);
  EXPECT_TRUE(link.Active());
  source.SetDataSet(nullptr);
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(link.DataSet(), nullptr);
}

TEST_F(ContractTest, LinkEditStartsAnEditThroughAutoEdit) {
  EXPECT_TRUE(link.Edit());
  EXPECT_EQ(ds.State(), dsEdit);
  ds.Cancel();
  source.AutoEdit = false;
  EXPECT_FALSE(link.Edit());
  link.ReadOnly = true;
  source.AutoEdit = true;
  EXPECT_FALSE(link.Edit());
  EXPECT_EQ(ds.State(), dsBrowse);
}

TEST_F(ContractTest, LinksAndSourcesOutliveEachOther) {
  auto other = std::make_unique<TTestDataSet>();
  other->FieldDefs().Add(u"ID", ftInteger);
  other->Open();
  source.SetDataSet(other.get());
  EXPECT_TRUE(link.Active());
  other.reset();  // the dataset goes first: the source lets go of it
  EXPECT_EQ(source.DataSet(), nullptr);
  EXPECT_FALSE(link.Active());

  auto second = std::make_unique<TDataSource>();
  second->SetDataSet(&ds);
  {
    RecordingLink shortLived(log);
    shortLived.SetDataSource(second.get());
  }
  EXPECT_TRUE(second->DataLinks().empty());
  second.reset();
  ds.Next();  // no source left behind to notify
  EXPECT_EQ(Id(), 2);
}

TEST_F(ContractTest, FieldPropertiesTellTheControls) {
  ds.FieldByName(u"NAME")->SetDisplayLabel(u"Name");
  ds.FieldByName(u"NAME")->SetVisible(false);
  ds.FieldByName(u"NAME")->SetDisplayWidth(30);
  EXPECT_EQ(Take(), (Log{"link:LayoutChanged", "link:LayoutChanged", "link:LayoutChanged"}));
  EXPECT_EQ(ds.FieldByName(u"NAME")->DisplayWidth(), 30);
}

}  // namespace
