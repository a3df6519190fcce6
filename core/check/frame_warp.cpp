#include "frame_check.h"

#include "bilinear.h"
#include "check_rows.h"
#include "cerror.h"
#include "flow_unknown.h"
#include "planes.h"

#include <cmath>
#include <cstdio>

FlowArrays flowArrays(const FloatPlane &u, const FloatPlane &v)
{
    return {u.data(), v.data(), u.cols(), u.rows(), u.cols(), 1};
}

RgbFrame rgbFrame(const PixelPlane &plane)
{
    return {plane.data(), plane.cols(), plane.rows(), plane.bytesPerLine()};
}

RgbTarget rgbTarget(const PixelPlane &plane)
{
    return {plane.data(), plane.cols(), plane.rows(), plane.bytesPerLine()};
}

void checkFrameSize(const char *what, int width, int height, const FlowArrays &flow)
{
    if (width == flow.width && height == flow.height)
        return;
    char text[200];
    std::snprintf(text, sizeof text, "%s %d x %d does not match the flow's %d x %d", what, width,
                  height, flow.width, flow.height);
    throw CError(text);
}

void checkrows::warpSpan(const CheckJob &job, int y, int xBegin, int xEnd)
{
    const FlowArrays &flow = job.flow;
    const RgbFrame &frame2 = job.frame2;
    const int W = flow.width;
    const int H = flow.height;
    const float *u = flow.u + y * flow.rowStride;
    const float *v = flow.v + y * flow.rowStride;
    std::uint8_t *out = job.warped.data + y * job.warped.bytesPerLine + 3 * std::ptrdiff_t(xBegin);
    std::uint8_t *ok = job.valid + std::ptrdiff_t(y) * W;
    for (int x = xBegin; x < xEnd; ++x, out += 3) {
        const float fu = u[x * flow.pixelStride];
        const float fv = v[x * flow.pixelStride];
        BilinearPoint p;
        if (isUnknownFlow(fu, fv) || !bilinearPoint(x + double(fu), y + double(fv), W, H, &p)) {
            ok[x] = 0;
            out[0] = out[1] = out[2] = 0;
            continue;
        }
        ok[x] = 1;
        const std::uint8_t *r0 = frame2.data + p.y0 * frame2.bytesPerLine;
        const std::uint8_t *r1 = frame2.data + p.y1 * frame2.bytesPerLine;
        const std::uint8_t *i00 = r0 + 3 * p.x0;
        const std::uint8_t *i10 = r0 + 3 * p.x1;
        const std::uint8_t *i01 = r1 + 3 * p.x0;
        const std::uint8_t *i11 = r1 + 3 * p.x1;
        for (int c = 0; c < 3; ++c) {
            const double value = bilinearSample(p, i00[c], i10[c], i01[c], i11[c]);
            // value + 0.5 lies in [0.5, 255.5]: truncation is its floor.
            out[c] = std::uint8_t(int(value + 0.5));
        }
    }
}

void checkrows::consistencySpan(const CheckJob &job, int y, int xBegin, int xEnd)
{
    const FlowArrays &f = job.flow;
    const FlowArrays &b = job.backward;
    const int W = f.width;
    const int H = f.height;
    const float *fu = f.u + y * f.rowStride;
    const float *fv = f.v + y * f.rowStride;
    std::uint8_t *out = job.occlusion + std::ptrdiff_t(y) * W;
    for (int x = xBegin; x < xEnd; ++x) {
        const float u = fu[x * f.pixelStride];
        const float v = fv[x * f.pixelStride];
        BilinearPoint p;
        if (isUnknownFlow(u, v) || !bilinearPoint(x + double(u), y + double(v), W, H, &p)) {
            out[x] = kNotChecked;
            continue;
        }
        const std::ptrdiff_t at[4] = {
            p.y0 * b.rowStride + p.x0 * b.pixelStride, p.y0 * b.rowStride + p.x1 * b.pixelStride,
            p.y1 * b.rowStride + p.x0 * b.pixelStride, p.y1 * b.rowStride + p.x1 * b.pixelStride};
        bool known = true;
        for (const std::ptrdiff_t i : at)
            known = known && !isUnknownFlow(b.u[i], b.v[i]);
        if (!known) {
            out[x] = kNotChecked;
            continue;
        }
        const double bu = bilinearSample(p, b.u[at[0]], b.u[at[1]], b.u[at[2]], b.u[at[3]]);
        const double bv = bilinearSample(p, b.v[at[0]], b.v[at[1]], b.v[at[2]], b.v[at[3]]);
        const double su = double(u) + bu;
        const double sv = double(v) + bv;
        const double f2 = double(u) * double(u) + double(v) * double(v);
        const double b2 = bu * bu + bv * bv;
        out[x] = su * su + sv * sv <= 0.01 * (f2 + b2) + 0.5 ? kConsistent : kOccluded;
    }
}

void checkrows::checkRowPlain(const CheckJob &job, int y)
{
    if (job.warped.data)
        warpSpan(job, y, 0, job.flow.width);
    if (job.occlusion)
        consistencySpan(job, y, 0, job.flow.width);
}

void warpFrame(const RgbFrame &frame2, const FlowArrays &flow, const RgbTarget &warped,
               std::uint8_t *valid, const BandPlan &plan)
{
    checkFrameSize("frame", frame2.width, frame2.height, flow);
    checkFrameSize("warped frame", warped.width, warped.height, flow);
    checkrows::CheckJob job;
    job.frame2 = frame2;
    job.flow = flow;
    job.warped = warped;
    job.valid = valid;
    const checkrows::CheckRow row = checkrows::chosenCheckRow();
    const int bands = bandCount(plan, flow.height, flow.width);
    forEachBand(bands, [&](int band) {
        const RowRange rows = bandRows(flow.height, bands, band);
        for (int y = rows.begin; y < rows.end; ++y)
            row(job, y);
    });
}

void checkConsistency(const FlowArrays &forward, const FlowArrays &backward,
                      std::uint8_t *occlusion, const BandPlan &plan)
{
    checkFrameSize("backward flow", backward.width, backward.height, forward);
    checkrows::CheckJob job;
    job.flow = forward;
    job.backward = backward;
    job.occlusion = occlusion;
    const checkrows::CheckRow row = checkrows::chosenCheckRow();
    const int bands = bandCount(plan, forward.height, forward.width);
    forEachBand(bands, [&](int band) {
        const RowRange rows = bandRows(forward.height, bands, band);
        for (int y = rows.begin; y < rows.end; ++y)
            row(job, y);
    });
}
