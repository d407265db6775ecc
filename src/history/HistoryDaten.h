#pragma once
// The versioned payloads of one history step. Revision 1 holds pictures,
// view, mode, outline geometry and node selection; revision 2 holds the
// outline state, the input layout and the document settings. A file of
// version v stores revisions 1..v; older entries get defaults for the rest.

#include "history/Streams.h"

#include <QString>

#include <array>
#include <memory>

class TAbstractHistoryData {
public:
    TAbstractHistoryData() = default;
    virtual ~TAbstractHistoryData() = default;
    // Resets the scalar fields (not the streams).
    virtual void SetDefaults() = 0;
    // Copies the payload of the same revision from the history's "Current".
    virtual void AssignFromCurrent() = 0;
    // Raises ERangeError on a wrong end marker.
    virtual bool ReadFromStream(TStream& stream) = 0;
    virtual void WriteToStream(TStream& stream) = 0;
};

class THistoryDataR01 : public TAbstractHistoryData {
public:
    static constexpr double kDefaultZoom = 0.1;
    // A stored zoom above this (10 000 %) is read as this.
    static constexpr double kMaxStoredZoom = 100.0;

    THistoryDataR01();
    void SetDefaults() override;
    void AssignFromCurrent() override;
    bool ReadFromStream(TStream& stream) override;
    void WriteToStream(TStream& stream) override;
    void AssignFrom(const THistoryDataR01& source);

    QString LeftFileName;
    QString RightFileName;
    quint32 CheckedActions = 0;
    qint32 EditMode = 0;
    double Zoom = kDefaultZoom;
    qint32 ViewCenterX = -1;
    qint32 ViewCenterY = -1;
    TMemoryStream GeometryStream;
    TMemoryStream SelectionStream;
};

class THistoryDataR02 : public TAbstractHistoryData {
public:
    THistoryDataR02();
    void SetDefaults() override;
    void AssignFromCurrent() override;
    bool ReadFromStream(TStream& stream) override;
    void WriteToStream(TStream& stream) override;
    void AssignFrom(const THistoryDataR02& source);

    TMemoryStream OutlineStateStream;
    TMemoryStream ReservedStream1;
    TMemoryStream ReservedStream2;
    TMemoryStream SettingsStream;
    quint8 InputLayout = 0;
    QString Label; // diagnostic only, never saved
};

class THistoryEintrag {
public:
    explicit THistoryEintrag(const QString& name);

    // Copies the installed history's "Current" into both payloads.
    void Capture();
    // Copies both payloads of current (a history's working state).
    void Capture(const THistoryEintrag& current);
    // Reads Name and the payloads of revisions 1..version; later revisions get
    // their defaults. Returns false (after showing the read-error message
    // with fileName, or the installed history's FileName) when the entry's
    // data is damaged; never raises.
    bool ReadFromStream(TStream& stream, int version);
    bool ReadFromStream(TStream& stream, int version, const QString& fileName);
    // Name, both payload blocks, then the entry's end marker.
    void WriteToStream(TStream& stream);

    THistoryDataR01& R01() { return *static_cast<THistoryDataR01*>(Data[0].get()); }
    THistoryDataR02& R02() { return *static_cast<THistoryDataR02*>(Data[1].get()); }
    const THistoryDataR01& R01() const { return *static_cast<const THistoryDataR01*>(Data[0].get()); }
    const THistoryDataR02& R02() const { return *static_cast<const THistoryDataR02*>(Data[1].get()); }

    QString Name;
    std::array<std::unique_ptr<TAbstractHistoryData>, 2> Data;
};
