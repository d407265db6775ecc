// Renders the bundled sample stereo pair "Beispiel_L.jpg" / "Beispiel_R.jpg":
// a small garden scene (ball, crate, a row of pillars, a tree, a sign) in
// front of hills and mountains, seen by two parallel cameras a hand's width
// apart. Every surface is ray-cast from both camera positions, so each object
// gets exactly the parallax its distance gives it; nothing is pasted in with a
// hand-chosen shift.
//
// Usage: generate_sample <output folder>
//        generate_sample --scene NAME <output folder>
//
// The second form renders one of the test scenes of the window check and
// writes NAME_L.jpg, NAME_R.jpg and NAME_P.pfm, the true parallax of every
// pixel of the left picture (right x minus left x, in pixels, as the mask
// counts it; the open sky has the parallax of infinity). The scenes are
// "beispiel" (the bundled one: its pictures equal the bundled files byte for
// byte), "links" (a pillar near by, cut by the left edge), "unten" (a crate
// near by, cut by the bottom edge) and "fern" (the garden seen from a 12 m
// high terrace: nothing near).
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 800;
constexpr double kFocal = 1000.0;       // pixels
constexpr double kCentreX = kWidth / 2.0;
constexpr double kHorizonY = 320.0;     // the cameras look level, so this is the horizon
constexpr double kEyeHeight = 1.6;      // metres
constexpr double kBaseline = 0.12;      // metres between the two cameras
// Both pictures are shifted towards each other by this many pixels in total,
// so that things about 5 m away sit in the picture plane, the sign in front
// pops out a little and the far background lies behind it.
constexpr double kConvergence = 24.0;
constexpr double kGroundFar = 64.0;     // the nearest hill ridge begins here
constexpr int kSamples = 3;             // per axis, against jagged edges
constexpr int kJpegQuality = 90;

struct V3 {
    double x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
V3 Mul(V3 a, V3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Norm(V3 a) { return a * (1.0 / std::sqrt(Dot(a, a))); }
V3 Mix(V3 a, V3 b, double t) { return a * (1.0 - t) + b * t; }
double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }
double Smooth(double e0, double e1, double v)
{
    const double t = Clamp01((v - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}

const V3 kSun = Norm({-0.45, 0.8, -0.4});
const V3 kHaze = {0.78, 0.85, 0.93};

// ---- value noise -----------------------------------------------------------

double Hash(int x, int y, int z)
{
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + uint32_t(z) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return double((h ^ (h >> 16)) & 0xFFFFFFu) / double(0xFFFFFF);
}

double Noise(V3 p)
{
    const int ix = int(std::floor(p.x)), iy = int(std::floor(p.y)), iz = int(std::floor(p.z));
    const double fx = p.x - ix, fy = p.y - iy, fz = p.z - iz;
    const double ux = fx * fx * (3 - 2 * fx), uy = fy * fy * (3 - 2 * fy), uz = fz * fz * (3 - 2 * fz);
    auto lerp = [](double a, double b, double t) { return a + (b - a) * t; };
    double v[2];
    for (int k = 0; k < 2; ++k) {
        const double a = lerp(Hash(ix, iy, iz + k), Hash(ix + 1, iy, iz + k), ux);
        const double b = lerp(Hash(ix, iy + 1, iz + k), Hash(ix + 1, iy + 1, iz + k), ux);
        v[k] = lerp(a, b, uy);
    }
    return lerp(v[0], v[1], uz);
}

// Sum of octaves; `detail` in 0..1 fades the finest octaves out with distance
// so that far textures do not shimmer.
double Fbm(V3 p, int octaves, double detail = 1.0)
{
    double sum = 0, amp = 0.5, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        const double w = i < 2 ? 1.0 : Clamp01(detail * octaves - i + 1);
        sum += amp * w * Noise(p);
        norm += amp * w;
        p = p * 2.03 + V3{17.1, 3.7, 9.3};
        amp *= 0.5;
    }
    return sum / norm;
}

// ---- scene -----------------------------------------------------------------

enum Material { Ball, Stone, Bark, Leaves, Crate, Sign, Post };

struct Sphere {
    V3 c;
    double r;
    Material mat;
};
struct Cylinder { // upright
    double x, z, r, y0, y1;
    Material mat;
};
struct Box { // rotated about the vertical axis by `angle`
    V3 c, half;
    double angle;
    Material mat;
};

struct Hit {
    double t = 1e30;
    V3 n, local;
    Material mat = Ball;
    bool any = false;
};

struct Scene {
    std::vector<Sphere> spheres;
    std::vector<Cylinder> cylinders;
    std::vector<Box> boxes;
    QImage signTexture;
    double eyeHeight = kEyeHeight;
};

void HitSphere(const Sphere& s, V3 o, V3 d, Hit& h)
{
    const V3 oc = o - s.c;
    const double b = Dot(oc, d), c = Dot(oc, oc) - s.r * s.r, disc = b * b - c;
    if (disc < 0)
        return;
    const double t = -b - std::sqrt(disc);
    if (t > 1e-4 && t < h.t) {
        const V3 p = o + d * t;
        h = {t, (p - s.c) * (1.0 / s.r), p - s.c, s.mat, true};
    }
}

void HitCylinder(const Cylinder& c, V3 o, V3 d, Hit& h)
{
    const double ox = o.x - c.x, oz = o.z - c.z;
    const double a = d.x * d.x + d.z * d.z, b = ox * d.x + oz * d.z, cc = ox * ox + oz * oz - c.r * c.r;
    const double disc = b * b - a * cc;
    if (a < 1e-12 || disc < 0)
        return;
    const double t = (-b - std::sqrt(disc)) / a;
    if (t <= 1e-4 || t >= h.t)
        return;
    const V3 p = o + d * t;
    if (p.y < c.y0 || p.y > c.y1)
        return;
    const V3 n = {(p.x - c.x) / c.r, 0, (p.z - c.z) / c.r};
    h = {t, n, {std::atan2(n.z, n.x), p.y, 0}, c.mat, true};
}

void HitBox(const Box& b, V3 o, V3 d, Hit& h)
{
    const double ca = std::cos(b.angle), sa = std::sin(b.angle);
    const V3 lo = {ca * (o.x - b.c.x) - sa * (o.z - b.c.z), o.y - b.c.y, sa * (o.x - b.c.x) + ca * (o.z - b.c.z)};
    const V3 ld = {ca * d.x - sa * d.z, d.y, sa * d.x + ca * d.z};
    const double los[3] = {lo.x, lo.y, lo.z}, lds[3] = {ld.x, ld.y, ld.z}, hs[3] = {b.half.x, b.half.y, b.half.z};
    double tNear = -1e30, tFar = 1e30;
    int axis = 0;
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(lds[i]) < 1e-12) {
            if (std::fabs(los[i]) > hs[i])
                return;
            continue;
        }
        double t0 = (-hs[i] - los[i]) / lds[i], t1 = (hs[i] - los[i]) / lds[i];
        if (t0 > t1)
            std::swap(t0, t1);
        if (t0 > tNear) {
            tNear = t0;
            axis = i;
        }
        tFar = std::min(tFar, t1);
    }
    if (tNear > tFar || tNear <= 1e-4 || tNear >= h.t)
        return;
    double ln[3] = {0, 0, 0};
    ln[axis] = lds[axis] > 0 ? -1 : 1;
    const V3 n = {ca * ln[0] + sa * ln[2], ln[1], -sa * ln[0] + ca * ln[2]};
    // Texture coordinates run from -1 to 1 across every face, whatever the size.
    const V3 lp = lo + ld * tNear;
    h = {tNear, n, {lp.x / b.half.x, lp.y / b.half.y, lp.z / b.half.z}, b.mat, true};
}

Hit Trace(const Scene& s, V3 o, V3 d)
{
    Hit h;
    for (const auto& x : s.spheres)
        HitSphere(x, o, d, h);
    for (const auto& x : s.cylinders)
        HitCylinder(x, o, d, h);
    for (const auto& x : s.boxes)
        HitBox(x, o, d, h);
    return h;
}

V3 Rgb(QRgb c) { return {qRed(c) / 255.0, qGreen(c) / 255.0, qBlue(c) / 255.0}; }

V3 Albedo(const Scene& s, const Hit& h, V3 p)
{
    switch (h.mat) {
    case Ball: {
        // A beach ball with a tilted axis: six coloured segments, white caps.
        const double tilt = 0.45, ct = std::cos(tilt), st = std::sin(tilt);
        const V3 q = {h.local.x * ct - h.local.y * st, h.local.x * st + h.local.y * ct, h.local.z};
        if (std::fabs(q.y) > 0.62)
            return {0.95, 0.95, 0.92};
        static const V3 colours[6] = {{0.9, 0.15, 0.12}, {0.97, 0.97, 0.95}, {0.1, 0.35, 0.85},
                                      {0.98, 0.8, 0.1}, {0.97, 0.97, 0.95}, {0.15, 0.65, 0.25}};
        const double phi = std::atan2(q.z, q.x) + std::numbers::pi;
        return colours[std::min(5, int(phi / (2 * std::numbers::pi) * 6))];
    }
    case Stone: {
        const double flute = 0.86 + 0.14 * std::cos(h.local.x * 16);
        return V3{0.84, 0.80, 0.72} * (flute * (0.75 + 0.35 * Fbm(p * 3.0, 5)));
    }
    case Bark:
        return V3{0.36, 0.26, 0.17} * (0.6 + 0.6 * Fbm({h.local.x * 6, p.y * 1.5, 0}, 4));
    case Leaves: {
        const double f = Fbm(p * 5.0, 5);
        return Mix({0.10, 0.28, 0.08}, {0.38, 0.62, 0.18}, Smooth(0.3, 0.75, f));
    }
    case Crate: {
        // Planks run along the face; a frame of boards around the edges.
        double u = h.local.x, v = h.local.y;
        if (std::fabs(std::fabs(h.local.x) - 1) < 1e-3)
            u = h.local.z;
        else if (std::fabs(std::fabs(h.local.y) - 1) < 1e-3)
            v = h.local.z;
        const bool frame = std::fabs(u) > 0.8 || std::fabs(v) > 0.8;
        const double grain = Fbm({u * (frame ? 15 : 1), v * (frame ? 1 : 15), 3.0}, 4);
        double shade = 0.7 + 0.45 * grain;
        const double plank = (v + 1) * 2.5 - std::floor((v + 1) * 2.5);
        if (!frame && plank < 0.06)
            shade *= 0.45;
        if (std::fabs(std::fabs(u) - 0.8) < 0.025 || std::fabs(std::fabs(v) - 0.8) < 0.025)
            shade *= 0.5;
        return V3{0.74, 0.53, 0.30} * (frame ? shade * 0.85 : shade);
    }
    case Sign: {
        if (h.n.z > -0.5) // the edges and the back of the board
            return {0.42, 0.29, 0.17};
        const double u = Clamp01((h.local.x + 1) / 2), v = Clamp01((1 - h.local.y) / 2);
        const QImage& tex = s.signTexture;
        const int x = std::min(tex.width() - 1, int(u * tex.width())), y = std::min(tex.height() - 1, int(v * tex.height()));
        return Rgb(reinterpret_cast<const QRgb*>(tex.constScanLine(y))[x]);
    }
    case Post:
        return V3{0.40, 0.28, 0.16} * (0.7 + 0.5 * Fbm({h.local.x * 4, p.y * 8, 1}, 3));
    }
    return {1, 0, 1};
}

bool InShadow(const Scene& s, V3 p, V3 n)
{
    return Trace(s, p + n * 2e-3, kSun).any;
}

V3 Fog(V3 c, double dist) { return Mix(c, kHaze, 1.0 - std::exp(-dist / 380.0)); }

V3 Lit(V3 albedo, V3 n, double shadow, double specular, V3 d)
{
    const double diff = std::max(0.0, Dot(n, kSun)) * shadow;
    const V3 ambient = {0.34, 0.38, 0.45};
    V3 c = Mul(albedo, ambient + V3{1.0, 0.96, 0.88} * (0.85 * diff));
    if (specular > 0 && shadow > 0) {
        const V3 r = n * (2 * Dot(n, kSun)) - kSun;
        c = c + V3{1, 1, 1} * (specular * std::pow(std::max(0.0, Dot(r, d * -1.0)), 40));
    }
    return c;
}

double PathCentre(double z) { return -0.1 + 0.9 * std::sin(z * 0.16 + 0.4); }

V3 Ground(const Scene& s, V3 p, double dist)
{
    const double detail = Clamp01(6.0 / dist);
    const double g = Fbm({p.x * 0.6, p.z * 0.6, 0.5}, 6, detail);
    const double fine = Fbm({p.x * 9, p.z * 9, 2.5}, 3, detail);
    V3 grass = Mix({0.22, 0.42, 0.12}, {0.46, 0.64, 0.20}, Smooth(0.25, 0.75, g));
    // Blades: a noise stretched across the view direction, strongest near by.
    const double blades = Fbm({p.x * 60, p.z * 14, 9.5}, 2);
    grass = grass * (0.8 + 0.35 * fine) * (1.0 + 0.45 * detail * (blades - 0.5));
    // A few flowers close by; far away they would only alias into noise.
    const int cx = int(std::floor(p.x * 6)), cz = int(std::floor(p.z * 6));
    if (dist < 25 && Hash(cx, cz, 7) > 0.985) {
        const double fx = p.x * 6 - cx - 0.5, fz = p.z * 6 - cz - 0.5;
        if (fx * fx + fz * fz < 0.06)
            grass = Hash(cx, cz, 8) > 0.5 ? V3{0.98, 0.95, 0.85} : V3{0.98, 0.82, 0.15};
    }
    const double edge = std::fabs(p.x - PathCentre(p.z));
    const double onPath = 1.0 - Smooth(0.45, 0.6 + 0.1 * Fbm({p.x * 3, p.z * 3, 4}, 3), edge);
    const V3 gravel = V3{0.66, 0.60, 0.50} * (0.75 + 0.4 * Fbm({p.x * 14, p.z * 14, 6}, 3, detail));
    return Mix(grass, gravel, onPath);
}

// Ridge lines of the background, as heights over the world X at fixed depths.
struct Ridge {
    double z;
    double (*height)(double x);
    V3 colour;
};
double FarHeight(double x)
{
    const double r = 1.0 - std::fabs(2 * Fbm({x * 0.009, 1.5, 0}, 5) - 1);
    return 18 + 70 * r * r;
}
double MidHeight(double x) { return 4 + 16 * Fbm({x * 0.022, 7.5, 0}, 4); }
double NearHeight(double x) { return 2.4 + 4.0 * Fbm({x * 0.05, 3.5, 0}, 4); }
const Ridge kRidges[3] = {{kGroundFar, NearHeight, {0.26, 0.46, 0.17}},
                          {170, MidHeight, {0.20, 0.36, 0.27}},
                          {480, FarHeight, {0.45, 0.52, 0.66}}};

V3 Background(V3 o, V3 d) // d with d.z == 1
{
    for (const Ridge& r : kRidges) {
        const double x = o.x + d.x * r.z, y = o.y + d.y * r.z;
        const double top = r.height(x);
        if (y >= top)
            continue;
        V3 c = r.colour * (0.8 + 0.4 * Fbm({x * 0.4, y * 0.4, r.z}, 4, 0.6));
        if (r.z > 400 && y > 62 + 6 * Noise({x * 0.1, 0, 0}))
            c = V3{0.93, 0.94, 0.97}; // snow on the far peaks
        c = c * (0.85 + 0.15 * Clamp01((top - y) / 8.0));
        return Fog(c, r.z);
    }
    const double up = d.y;
    V3 sky = Mix(kHaze, {0.22, 0.45, 0.82}, Smooth(0.0, 0.42, up));
    if (up > 0.004) {
        const double t = 900.0 / up;
        const V3 q = {(o.x + d.x * t) / 900.0, (o.z + t) / 900.0, 0.3};
        const double density = Smooth(0.5, 0.78, Fbm(q, 6)) * Smooth(0.01, 0.09, up);
        const V3 cloud = Mix({0.78, 0.80, 0.86}, {1, 1, 1}, Smooth(0.5, 0.9, Fbm(q * 1.3 + V3{0, 0, 2}, 4)));
        sky = Mix(sky, cloud, density);
    }
    return sky;
}

V3 Shade(const Scene& s, V3 o, V3 dRaw)
{
    const V3 d = Norm(dRaw);
    const Hit h = Trace(s, o, d);
    double groundT = 1e30;
    if (d.y < 0) {
        groundT = -o.y / d.y;
        if ((o + d * groundT).z > kGroundFar)
            groundT = 1e30;
    }
    if (h.any && h.t < groundT) {
        const V3 p = o + d * h.t;
        V3 n = h.n;
        if (h.mat == Leaves) { // a leafy surface, not a smooth ball
            n = Norm(n + V3{Noise(p * 9) - 0.5, Noise(p * 9 + V3{5, 0, 0}) - 0.5, Noise(p * 9 + V3{0, 5, 0}) - 0.5} * 1.2);
        }
        const double shadow = InShadow(s, p, h.n) ? 0.0 : 1.0;
        const double specular = h.mat == Ball ? 0.55 : (h.mat == Sign ? 0.08 : 0.0);
        return Fog(Lit(Albedo(s, h, p), n, shadow, specular, d), h.t);
    }
    if (groundT < 1e29) {
        const V3 p = o + d * groundT;
        const double shadow = InShadow(s, p, {0, 1, 0}) ? 0.0 : 1.0;
        return Fog(Lit(Ground(s, p, groundT), {0, 1, 0}, shadow, 0, d), groundT);
    }
    return Background(o, dRaw);
}

QImage SignTexture()
{
    QImage tex(1200, 400, QImage::Format_RGB32);
    QPainter p(&tex);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient wood(0, 0, 0, 400);
    wood.setColorAt(0, QColor(120, 78, 42));
    wood.setColorAt(1, QColor(92, 58, 30));
    p.fillRect(tex.rect(), wood);
    p.setPen(QPen(QColor(70, 44, 22), 3));
    for (int y = 80; y < 400; y += 80)
        p.drawLine(0, y, 1200, y);
    p.setPen(QPen(QColor(238, 222, 180), 14));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(22, 22, 1156, 356), 30, 30);
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setBold(true);
    font.setPixelSize(200);
    QPainterPath text;
    text.addText(0, 0, font, QStringLiteral("Plenoptra"));
    const QRectF box = text.boundingRect();
    text.translate(600 - box.center().x(), 200 - box.center().y());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 24, 12));
    p.drawPath(text.translated(7, 7));
    p.setBrush(QColor(246, 232, 190));
    p.drawPath(text);
    return tex;
}

Scene BuildScene()
{
    Scene s;
    s.spheres.push_back({{-1.25, 0.7, 6.0}, 0.7, Ball});
    // A row of pillars along the left, each with a square capital.
    for (int i = 0; i < 6; ++i) {
        const double z = 8.0 + 4.5 * i;
        s.cylinders.push_back({-4.2, z, 0.32, 0.0, 2.9, Stone});
        s.boxes.push_back({{-4.2, 3.05, z}, {0.45, 0.15, 0.45}, 0.0, Stone});
        s.boxes.push_back({{-4.2, 0.08, z}, {0.42, 0.08, 0.42}, 0.0, Stone});
    }
    // The tree: a trunk and a crown of overlapping balls of leaves.
    s.cylinders.push_back({5.4, 15.0, 0.2, 0.0, 3.2, Bark});
    s.spheres.push_back({{5.4, 3.9, 15.0}, 1.5, Leaves});
    s.spheres.push_back({{4.5, 3.3, 14.6}, 1.1, Leaves});
    s.spheres.push_back({{6.3, 3.4, 15.3}, 1.15, Leaves});
    s.spheres.push_back({{5.6, 4.8, 15.4}, 1.05, Leaves});
    s.boxes.push_back({{2.7, 0.5, 9.5}, {0.5, 0.5, 0.5}, 0.55, Crate});
    s.boxes.push_back({{2.45, 1.25, 9.6}, {0.25, 0.25, 0.25}, -0.3, Crate});
    // The sign stands nearest to the cameras.
    const double signAngle = -0.18;
    s.cylinders.push_back({0.12, 3.55, 0.05, 0.0, 1.1, Post});
    s.cylinders.push_back({1.55, 3.8, 0.05, 0.0, 1.1, Post});
    s.boxes.push_back({{0.85, 0.85, 3.62}, {0.9, 0.3, 0.025}, signAngle, Sign});
    s.signTexture = SignTexture();
    return s;
}

// ---- the test scenes of the window check ------------------------------------

enum class Variant { Beispiel, Links, Unten, Fern };

struct VariantName {
    const char* name;
    Variant variant;
};
const VariantName kVariants[] = {{"beispiel", Variant::Beispiel},
                                 {"links", Variant::Links},
                                 {"unten", Variant::Unten},
                                 {"fern", Variant::Fern}};

Scene BuildVariant(Variant v)
{
    Scene s = BuildScene();
    switch (v) {
    case Variant::Beispiel:
        break;
    case Variant::Links:
        // A pillar 3 m away, taller than the picture, whose left half lies
        // beyond the left edge.
        s.cylinders.push_back({-1.6, 3.2, 0.3, 0.0, 3.0, Stone});
        break;
    case Variant::Unten:
        // A crate 3 m away, below the ball, cut by the bottom edge.
        s.boxes.push_back({{-0.6, 0.35, 3.0}, {0.45, 0.35, 0.3}, 0.3, Crate});
        break;
    case Variant::Fern:
        // The same garden 25 m further off, seen from high up, so that even
        // the ground at the bottom edge is far away.
        s.eyeHeight = 12.0;
        for (Sphere& x : s.spheres)
            x.c.z += 25;
        for (Cylinder& x : s.cylinders)
            x.z += 25;
        for (Box& x : s.boxes)
            x.c.z += 25;
        break;
    }
    return s;
}

// Distance along the view axis to what the ray shows, by the same decisions
// as Shade; infinite for the sky.
double Depth(const Scene& s, V3 o, V3 dRaw)
{
    const V3 d = Norm(dRaw);
    const Hit h = Trace(s, o, d);
    double groundT = 1e30;
    if (d.y < 0) {
        groundT = -o.y / d.y;
        if ((o + d * groundT).z > kGroundFar)
            groundT = 1e30;
    }
    if (h.any && h.t < groundT)
        return d.z * h.t;
    if (groundT < 1e29)
        return d.z * groundT;
    for (const Ridge& r : kRidges)
        if (o.y + dRaw.y * r.z < r.height(o.x + dRaw.x * r.z))
            return r.z;
    return std::numeric_limits<double>::infinity();
}

// The parallax of every pixel of the left picture, through the pixel's
// centre: a point at depth z is seen at x in the left picture and at
// x + kConvergence - kFocal * kBaseline / z in the right one.
std::vector<float> TrueParallax(const Scene& s)
{
    std::vector<float> out(size_t(kWidth) * kHeight);
    const V3 origin = {-kBaseline / 2, s.eyeHeight, 0};
    const double shift = -kConvergence / 2;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const V3 d = {(x + 0.5 - kCentreX - shift) / kFocal, (kHorizonY - (y + 0.5)) / kFocal, 1.0};
            out[size_t(y) * kWidth + x] = float(kConvergence - kFocal * kBaseline / Depth(s, origin, d));
        }
    return out;
}

// Portable float map, one channel: rows bottom to top, little-endian floats.
bool WritePfm(const std::vector<float>& values, const QString& path)
{
    FILE* f = std::fopen(qPrintable(path), "wb");
    if (!f)
        return false;
    bool ok = std::fprintf(f, "Pf\n%d %d\n-1.0\n", kWidth, kHeight) > 0;
    for (int y = kHeight - 1; ok && y >= 0; --y)
        ok = std::fwrite(values.data() + size_t(y) * kWidth, sizeof(float), kWidth, f) == size_t(kWidth);
    return std::fclose(f) == 0 && ok;
}

// eye: -1 for the left camera, +1 for the right one.
QImage Render(const Scene& s, int eye)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    const V3 origin = {eye * kBaseline / 2, s.eyeHeight, 0};
    const double shift = eye * kConvergence / 2;
    for (int y = 0; y < kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            V3 sum;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double px = x + (sx + 0.5) / kSamples, py = y + (sy + 0.5) / kSamples;
                    const V3 d = {(px - kCentreX - shift) / kFocal, (kHorizonY - py) / kFocal, 1.0};
                    sum = sum + Shade(s, origin, d);
                }
            sum = sum * (1.0 / (kSamples * kSamples));
            line[x] = qRgb(int(Clamp01(sum.x) * 255 + 0.5), int(Clamp01(sum.y) * 255 + 0.5), int(Clamp01(sum.z) * 255 + 0.5));
        }
    }
    return image;
}

bool Save(const QImage& image, const QString& path)
{
    QImageWriter writer(path, "jpg");
    writer.setQuality(kJpegQuality);
    if (writer.write(image))
        return true;
    std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
    return false;
}

} // namespace

int SceneMain(const char* name, const QString& folder)
{
    for (const VariantName& v : kVariants) {
        if (std::strcmp(v.name, name) != 0)
            continue;
        const Scene scene = BuildVariant(v.variant);
        const QString base = folder + '/' + QString::fromLatin1(name);
        const bool ok = Save(Render(scene, -1), base + QStringLiteral("_L.jpg"))
            && Save(Render(scene, +1), base + QStringLiteral("_R.jpg"))
            && WritePfm(TrueParallax(scene), base + QStringLiteral("_P.pfm"));
        if (!ok)
            std::fprintf(stderr, "%s: cannot write the scene\n", qPrintable(base));
        return ok ? 0 : 1;
    }
    std::fprintf(stderr, "unknown scene %s (beispiel, links, unten, fern)\n", name);
    return 2;
}

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--scene") == 0)
        return SceneMain(argv[2], QString::fromLocal8Bit(argv[3]));
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n       %s --scene NAME <output folder>\n", argv[0], argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const Scene scene = BuildScene();
    const bool ok = Save(Render(scene, -1), folder + QStringLiteral("/Beispiel_L.jpg"))
        && Save(Render(scene, +1), folder + QStringLiteral("/Beispiel_R.jpg"));
    return ok ? 0 : 1;
}
