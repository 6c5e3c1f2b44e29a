// Natural-neighbour interpolation of scattered data after Watson (Contouring, 1992): Sibson's
// coordinates from the Delaunay triangulation, either continuous (C0, the weighted mean of
// the neighbours' values) or smooth (C1), where each neighbour's tangent plane is blended in
// with a weight shaped by two tautness parameters.
//
// A TWatson works in normalised coordinates (x, y and z scaled to unit range) with its nodes
// perturbed by a fixed pseudo-random jitter of 1e-8, so that coincident and cocircular data
// never meet a degenerate case. Three far vertices, carrying the least-squares plane of the
// data, enclose everything: points outside the data's hull blend towards that plane.
//
// Set-up, in order: normalise; least-squares plane and enclosing triangle; jitter; in C1
// mode the node slopes (tangent plane and steepness of every node from its natural
// neighbours); the Delaunay triangulation of all nodes. Where the data fix no slope across
// a line (all on it, or on a strip whose width is noise against its length), the plane
// and the node slopes rise along the line and stay level across it, and no node slope is
// steeper than its secants justify; within a TNodeLimits scope (the engines' extrapolation
// beyond the hull) every node slope is then held to what the values about it support
// (derivative_limiter.h). An evaluation walks to the triangle
// that holds the point and collects the triangles whose circumcircles contain it (the
// Bowyer-Watson cavity); each gives its vertices the area it takes from their Voronoi cells.
//
// TWatsonSlots is the set of six interpolators that one engine owns: slot 0 interpolates the
// data, slot k = 1..5 the estimated derivative field k (1 dz/dx, 2 dz/dy, 3 d2z/dx2,
// 4 d2z/dy2, 5 d2z/dxdy), built on its first use. Two engines never share slots.
#pragma once

#include <array>
#include <memory>
#include <vector>

class TWatson {
 public:
  // Copies the n points (0-based arrays) and sets up. bI = bJ = 0 selects C0 (and stores
  // bI = 1.5, bJ = 7.0 for derivative slots built from it); otherwise C1 with these
  // tautness parameters. Valid() is false when n < 1 or a value is not a finite number.
  TWatson(int n, const double* x, const double* y, const double* z, double bI, double bJ);

  bool Valid() const { return valid_; }
  bool IsC1() const { return c1_; }
  double TautnessI() const { return bI_; }
  double TautnessJ() const { return bJ_; }
  int Count() const { return n_; }
  // The caller's data, unchanged (each n doubles).
  const double* RawX() const { return raw_.data(); }
  const double* RawY() const { return raw_.data() + n_; }
  const double* RawZ() const { return raw_.data() + 2 * n_; }

  // The interpolated value at the raw point (x, y); the missing value when no circumcircle
  // contains the point (far outside the data) or the point is not a finite number.
  long double Evaluate(double x, double y);
  // The same value found by testing every triangle, as the method was first published: the
  // reference against which the walk is tested.
  long double EvaluateByScan(double x, double y);
  // Whether the last evaluated point lay inside the data's hull.
  bool Inside() const { return inside_; }

 private:
  struct Node {
    double x, y, z;
    double p = 0, q = 0, s = 0;  // -dz/dx, -dz/dy and steepness (C1 mode)
  };
  struct Triangle {
    int v[3];          // node numbers, counter-clockwise
    int across[3];     // triangle beyond the side opposite v[k], -1 on the hull
    double cx, cy, r2;  // circumcentre and squared radius
  };
  struct Neighbour {
    int node;
    double area;
  };

  void SetUp();
  void EstimateSlopes(const std::vector<std::vector<int>>& stars);
  void EstimateNodeSlope(int i, const std::vector<int>& star, std::vector<Triangle>& pass);
  bool Triangulate(std::vector<std::vector<int>>* stars);
  double Value(double px, double py, bool scan);
  // Collects the triangles whose circumcircles contain the point; answers the triangle the
  // walk found holding it, or -1 (scan, or a point beyond the hull of all nodes).
  int Cavity(double px, double py, bool scan);
  int Locate(double px, double py);
  // The triangle that holds the point, by testing every one; -1 when none does.
  int Containing(double px, double py) const;
  // The neighbours of the point as the barycentric weights of triangle t; false when t is
  // -1 or degenerate.
  bool BarycentricNeighbours(int t, double px, double py);
  bool IsData(int node) const { return node < n_; }

  int n_ = 0;
  std::vector<double> raw_;  // x, then y, then z
  double bI_ = 1.5, bJ_ = 7.0;
  bool c1_ = false;
  bool valid_ = false;
  double min_[3] = {0, 0, 0}, range_[3] = {1, 1, 1};
  double a0_ = 0, ax_ = 0, ay_ = 0;  // least-squares plane of the normalised data
  std::vector<Node> nodes_;          // data 0..n-1, enclosing vertices n..n+2
  std::vector<Triangle> triangles_;
  int last_triangle_ = 0;
  std::vector<int> visit_stamp_;
  int stamp_ = 0;
  std::vector<int> cavity_;
  std::vector<int> stack_;
  std::vector<Neighbour> neighbours_;
  std::vector<int> neighbour_index_;  // per node: its entry in neighbours_, or -1
  bool inside_ = false;
};

struct TWatsonSlots {
  std::array<std::unique_ptr<TWatson>, 6> slot;
};

// Frees every slot, then builds slot 0 from the n points with the tautness of mode 0..5 (0 and
// any other mode: C0; 1..5: bI = 3, 2, 1.5, 1.25, 1 and bJ = bI^2). Returns 1, or 0 when the
// interpolator could not be built (memory, no points, values that are not finite numbers).
[[nodiscard]] int WatsonCreate(TWatsonSlots& slots, int n, const double* x, const double* y,
                               const double* z, int mode);

// Destroys every slot.
void WatsonFree(TWatsonSlots& slots);

// The interpolated value of slot 0..5 at (x, y), building a derivative slot on first use;
// 0 when slot 0 is empty, the slot number is outside 0..5 or the slot cannot be built.
long double WatsonEvaluate(TWatsonSlots& slots, double x, double y, int slot);

// Builds slot k (1..5) from slot 0's data: the node derivative fields by global gradient
// estimation, interpolated with slot 0's tautness (so always C1). Returns true on success;
// the slot stays empty otherwise.
[[nodiscard]] bool WatsonBuildDerivative(TWatsonSlots& slots, int k);
