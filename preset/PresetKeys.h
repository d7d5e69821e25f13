// The section names, keys and fixed words of the preset file.
#pragma once

inline constexpr char cGuide[] = "guide";
inline constexpr char cPen[] = "pen";
inline constexpr char cLine[] = "line";

inline constexpr char cPathType[] = "type";
inline constexpr char cPoint1[] = "p1";
inline constexpr char cPoint2[] = "p2";
inline constexpr char cPoint3[] = "p3";
inline constexpr char cGuideName[] = "name";
inline constexpr char cCurvature[] = "curvature";

inline constexpr char cPenSize[] = "size";
inline constexpr char cPenHard[] = "hardness";
inline constexpr char cPenFluct[] = "fluction";
inline constexpr char cPenIn[] = "in";
inline constexpr char cPenOut[] = "out";
inline constexpr char cPenDist[] = "asdist";
inline constexpr char cPenEase[] = "easing";

inline constexpr char cLinePos[] = "position";
inline constexpr char cLinePosFluct[] = "posfluct";
inline constexpr char cLineLen[] = "length";
inline constexpr char cLineLenFluct[] = "lenfluct";
inline constexpr char cLineSpace[] = "spacing";
inline constexpr char cLineSpaceFluct[] = "spcfluct";
inline constexpr char cLineLenGain[] = "lengain";
inline constexpr char cLineSpaceGain[] = "spcgain";
inline constexpr char cLineConnect[] = "connect";

/// The words of the effect type codes 0, 1 and 2.
inline constexpr char cPathTypeRadiate[] = "radiate";
inline constexpr char cPathTypeParallel[] = "parallel";
inline constexpr char cPathTypeCircle[] = "circle";
