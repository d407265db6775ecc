#include "HistoryTestSupport.h"

#include "history/History.h"

#include <gtest/gtest.h>

namespace {

void AddSteps(THistoryListe& h, int count)
{
    for (int i = 0; i < count; ++i) {
        h.Current().R01().EditMode = i;
        h.Add(QStringLiteral("S%1").arg(i));
    }
}

} // namespace

TEST(HistoryAdd, CopiesCurrentDeeplyAndCallsOnAdd)
{
    THistoryListe h;
    int added = 0;
    h.OnAdd = [&](THistoryListe* sender) { added += sender == &h; };
    h.Current().R01().LeftFileName = QStringLiteral("links.jpg");
    h.Current().R01().GeometryStream.SetData("geo");
    h.Current().R02().InputLayout = 4;
    THistoryEintrag* entry = h.Add(QStringLiteral("MoveXY"));
    h.Current().R01().GeometryStream.SetData("changed");

    ASSERT_EQ(entry, h.CurrentEntry());
    EXPECT_EQ(entry->Name, QStringLiteral("MoveXY"));
    EXPECT_EQ(entry->R01().LeftFileName, QStringLiteral("links.jpg"));
    EXPECT_EQ(entry->R01().GeometryStream.Data(), QByteArray("geo"));
    EXPECT_EQ(entry->R02().InputLayout, 4);
    EXPECT_EQ(entry->R02().Label, QStringLiteral("MoveXY THistoryDataR02.Create"));
    EXPECT_EQ(added, 1);
}

TEST(HistoryAdd, TwoHundredFiftySixthStepDropsTheOldest)
{
    THistoryListe h;
    AddSteps(h, 256);
    EXPECT_EQ(h.Count(), 255);
    EXPECT_EQ(h.ItemIndex(), 254);
    EXPECT_EQ(h.Items(0)->Name, QStringLiteral("S1"));
    EXPECT_EQ(h.CurrentEntry()->Name, QStringLiteral("S255"));
}

TEST(HistoryAdd, AfterTwoUndosDiscardsTheRedoSteps)
{
    THistoryListe h;
    AddSteps(h, 5);
    h.SetItemIndex(3);
    h.SetItemIndex(2);
    h.Add(QStringLiteral("Neu"));
    EXPECT_EQ(h.Count(), 4);
    EXPECT_EQ(h.ItemIndex(), 3);
    EXPECT_EQ(h.Items(2)->Name, QStringLiteral("S2"));
    EXPECT_EQ(h.Items(3)->Name, QStringLiteral("Neu"));
}

TEST(HistoryAdd, DuringRestoreRecordsNothing)
{
    THistoryListe h;
    AddSteps(h, 3);
    THistoryEintrag* during = nullptr;
    h.OnIndexChange = [&](THistoryListe* sender) {
        EXPECT_TRUE(sender->Restoring());
        during = sender->Add(QStringLiteral("Sel"));
    };
    h.SetItemIndex(1);
    EXPECT_EQ(h.Count(), 3);
    EXPECT_EQ(during, h.Items(1));
    EXPECT_FALSE(h.Restoring());
}

TEST(HistoryPosition, SameIndexDoesNothingAndSentinelReappliesTheStep)
{
    THistoryListe h;
    AddSteps(h, 3);
    int calls = 0;
    h.OnIndexChange = [&](THistoryListe*) { ++calls; };
    h.SetItemIndex(2);
    EXPECT_EQ(calls, 0);
    h.SetItemIndex(THistoryListe::kReapplyIndex);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(h.ItemIndex(), 2);
}

TEST(HistoryPosition, RestoringIsClearedWhenTheHandlerRaises)
{
    THistoryListe h;
    AddSteps(h, 2);
    h.OnIndexChange = [](THistoryListe*) { throw ERangeError(QStringLiteral("kaputt")); };
    EXPECT_THROW(h.SetItemIndex(0), ERangeError);
    EXPECT_FALSE(h.Restoring());
    EXPECT_EQ(h.ItemIndex(), 0);
    h.OnIndexChange = nullptr;
    h.Add(QStringLiteral("danach"));
    EXPECT_EQ(h.Count(), 2);
}

TEST(HistoryPayloads, EntryBlockHasViewCentreBeforeZoom)
{
    THistoryEintrag e(QStringLiteral("MoveXY"));
    e.R01().LeftFileName = QStringLiteral("L");
    e.R01().CheckedActions = 5;
    e.R01().EditMode = 3;
    e.R01().ViewCenterX = 10;
    e.R01().ViewCenterY = -1;
    e.R01().Zoom = 0.5;
    e.R01().GeometryStream.SetData("ab");
    e.R02().OutlineStateStream.SetData("x");
    e.R02().InputLayout = 2;
    TMemoryStream s;
    e.WriteToStream(s);

    const QByteArray expected = StrBytes("MoveXY") + StrBytes("L") + StrBytes("") +
                                QByteArray::fromHex("05000000" "03000000" "0a000000" "ffffffff" "000000000000e03f") +
                                StrBytes("ab") + StrBytes("") + StrBytes("###-EOD R01-###\r\n") + StrBytes("x") +
                                StrBytes("") + StrBytes("") + StrBytes("") + Int32Bytes(2) +
                                StrBytes("###-EOD R02-###\r\n") + StrBytes("###-EOD-###\r\n");
    EXPECT_EQ(s.Data().toHex(), expected.toHex());
}

TEST(HistoryPayloads, InputLayoutOutsideZeroToSevenReadsAsZero)
{
    THistoryEintrag e(QStringLiteral("x"));
    e.R02().InputLayout = 9;
    TMemoryStream s;
    e.WriteToStream(s);
    s.Rewind();
    THistoryEintrag read(QStringLiteral("???"));
    ASSERT_TRUE(read.ReadFromStream(s, 2, QString()));
    EXPECT_EQ(read.R02().InputLayout, 0);
}
