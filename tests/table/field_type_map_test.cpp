// The map between internal data types and field types, both ways.
#include <gtest/gtest.h>

#include "platform/rtl/Exceptions.h"
#include "table/FieldTypeMap.h"

namespace {

TEST(FieldTypeMap, EveryMappedDataTypeComesBack) {
  const TFieldTypeMap& map = TFieldTypeMap::Default();
  // Types that share a field type come back as the first of them.
  const std::pair<TDataType, TDataType> sharing[] = {{dtExtString, dtString},     {dtExtWideString, dtWideString},
                                                     {dtUInt64, dtInt64},         {dtExtVarBytes, dtVarBytes}};
  for (TDataType dt = dtUnknown; dt <= dtLastDataType; ++dt) {
    if (dt == dtFixedChar || dt == dtFixedWideChar || dt == dtXML) continue;
    SCOPED_TRACE(dt);
    TDataType expected = dt;
    for (auto [from, to] : sharing) {
      if (dt == from) expected = to;
    }
    EXPECT_EQ(map.GetDataType(map.GetFieldType(dt), dtUnknown), expected);
  }
  EXPECT_EQ(map.GetFieldType(dtSQLTimeStampOffset), ftDATimeStampOffset);
}

TEST(FieldTypeMap, SubTypesAndUnmappedTypes) {
  const TFieldTypeMap& map = TFieldTypeMap::Default();
  struct Case {
    TFieldType Field;
    TDataType Sub;
    TDataType Expected;
  };
  const Case cases[] = {
      {ftInteger, dtUInt8, dtInt32},     {ftSmallint, dtUInt8, dtUInt8},  {ftLargeint, dtUInt32, dtUInt32},
      {ftFloat, dtSingle, dtSingle},     {ftFloat, dtInt8, dtInt8},       {ftOraBlob, dtUnknown, dtUnknown},
      {ftAutoInc, dtUnknown, dtInt32},   {ftGraphic, dtUnknown, dtBlob},  {ftFixedWideChar, dtUnknown, dtWideString},
      {ftTimeStampOffset, dtUnknown, dtSQLTimeStampOffset},               {ftObject, dtUnknown, dtUnknown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Field);
    EXPECT_EQ(map.GetDataType(c.Field, c.Sub), c.Expected);
  }
  for (TDataType dt : std::initializer_list<TDataType>{dtFixedChar, dtFixedWideChar, dtXML, 41}) {
    EXPECT_THROW(map.GetFieldType(dt), EAssertionFailed);
  }
}

}  // namespace
