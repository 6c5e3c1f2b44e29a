// The "&Graph" popup of the review's two graph windows (the review graph and the residual
// graph): the same commands under the same ids.
#pragma once

struct TGraphMenuItem {
  int id;
  const char* text;
};

inline constexpr TGraphMenuItem kGraphMenuItems[] = {
    {2342, "&3D Type..."}, {2343, "3D &View..."},      {2344, "&Scaling..."}, {2345, "&Point Format..."},
    {2141, "&Titles..."},  {2321, "&Font Select..."}, {2322, "&Colors..."},  {2353, "&Animate..."},
};
