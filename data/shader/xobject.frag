#version 120
// xobject.frag - the targeting display of the cockpit's right-hand screen:
// the picture on texture unit 0 shown as green phosphor with its edges
// traced bright, scanlines, range rings, a crosshair and a lock box.

uniform sampler2D picture;

varying vec2 screen;

float luma(vec2 at)
{
    return dot(texture2D(picture, at).rgb, vec3(0.299, 0.587, 0.114));
}

float lineAt(float distanceToLine, float width)
{
    return 1.0 - smoothstep(width, width * 2.0, distanceToLine);
}

void main()
{
    vec2 d = vec2(0.004, 0.004);
    float edges = abs(luma(screen + vec2(d.x, 0.0)) - luma(screen - vec2(d.x, 0.0)))
                + abs(luma(screen + vec2(0.0, d.y)) - luma(screen - vec2(0.0, d.y)));
    float level = luma(screen);
    vec3 phosphor = vec3(0.2, 1.0, 0.4) * (level * 0.55 + edges * 2.5);

    vec2 p = screen - 0.5;
    p.x *= 1.346;
    float r = length(p);
    float w = max(fwidth(r), 1.0e-4);
    float rings = lineAt(abs(fract(r * 8.0 + 0.5) - 0.5) / 8.0, w) * step(r, 0.45);
    float crosshair = lineAt(min(abs(p.x), abs(p.y)), w) * step(r, 0.42) * step(0.04, r);
    float box = lineAt(abs(max(abs(p.x), abs(p.y)) - 0.09), w);
    float scan = 0.7 + 0.3 * sin(screen.y * 420.0);
    vec3 color = phosphor * scan + vec3(0.3, 1.0, 0.5) * (rings * 0.3 + crosshair * 0.5) + vec3(1.0, 0.35, 0.2) * box;
    color *= 1.0 - 0.6 * dot(p, p);
    gl_FragColor = vec4(color, 1.0);
}
