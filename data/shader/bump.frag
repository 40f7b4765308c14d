#version 120
// bump.frag - hull plating for the station: a relief of panel seams and
// dents, computed from the model-space position, bends the facet normal
// before the plating is lit by lights 0 and 1; a few panels hold lit
// windows. The paint comes from the station's own layout (station.obj: the
// wheel's axis is its local y, turned 62 degrees about x and 20 about y),
// since material changes inside one glBegin/glEnd run do not reach a shader
// on every driver: solar wings behind the hub, gold foil on every other
// habitat module, darker spokes, bright hull elsewhere.

varying vec3 objPos;
varying vec3 eyePos;
varying vec3 eyeNormal;

const float PANELS = 9.0;

float hash(vec3 p)
{
    return fract(sin(dot(p, vec3(12.9898, 78.233, 37.719))) * 43758.5453);
}

float relief(vec3 p)
{
    vec3 q = p * PANELS;
    vec3 f = abs(fract(q) - 0.5);
    float seams = smoothstep(0.42, 0.5, max(max(f.x, f.y), f.z));
    float dent = hash(floor(q)) * 0.3;
    return dent - seams;
}

// model space to the station's frame: the inverse of Ry(20) Rx(62)
const mat3 TO_STATION = mat3(0.93969, 0.30199, 0.16057,
                             0.0, 0.46947, -0.88295,
                             -0.34202, 0.82970, 0.44116);

void paint(vec3 p, out vec3 color, out float shine)
{
    vec3 s = TO_STATION * p;
    float radial = length(s.xz);
    color = vec3(0.66, 0.67, 0.7);
    shine = 0.6;
    if (s.y < -3.0 && radial > 0.2) {
        vec2 cells = abs(fract(vec2(radial * 6.0, s.y * 5.0)) - 0.5);
        color = mix(vec3(0.12, 0.2, 0.48), vec3(0.5, 0.55, 0.6), step(0.44, max(cells.x, cells.y)));
        shine = 1.0;
    } else if (radial > 3.34 && radial < 3.62 && abs(s.y) < 0.45) {
        float sector = floor(atan(s.z, s.x) / 1.0471976 + 3.0);
        color = mod(sector, 2.0) < 1.0 ? vec3(0.85, 0.62, 0.22) : vec3(0.38, 0.4, 0.44);
        shine = 0.9;
    } else if (radial > 0.75 && radial < 2.75 && abs(s.y) < 0.12) {
        color = vec3(0.38, 0.4, 0.44);
    }
}

vec3 lamp(vec4 position, vec4 diffuse, vec4 specular, vec3 base, float shine, vec3 normal, vec3 view)
{
    vec3 toLight = position.xyz - eyePos * position.w;
    if (dot(toLight, toLight) < 1.0e-8)
        return vec3(0.0);
    vec3 l = normalize(toLight);
    float d = max(dot(normal, l), 0.0);
    vec3 color = base * diffuse.rgb * d;
    if (d > 0.0)
        color += specular.rgb * shine * 0.6 * pow(max(dot(normal, normalize(l + view)), 0.0), 50.0);
    return color;
}

void main()
{
    vec3 n = normalize(eyeNormal);
    float e = 0.003;
    vec3 grad = vec3(relief(objPos + vec3(e, 0.0, 0.0)) - relief(objPos - vec3(e, 0.0, 0.0)),
                     relief(objPos + vec3(0.0, e, 0.0)) - relief(objPos - vec3(0.0, e, 0.0)),
                     relief(objPos + vec3(0.0, 0.0, e)) - relief(objPos - vec3(0.0, 0.0, e))) / (2.0 * e);
    vec3 g = gl_NormalMatrix * grad;
    vec3 bumped = normalize(n - 0.008 * (g - dot(g, n) * n));
    vec3 view = normalize(-eyePos);

    vec3 base;
    float shine;
    paint(objPos, base, shine);
    vec3 color = base * 0.6 * (gl_LightModel.ambient.rgb + gl_LightSource[0].ambient.rgb);
    color += lamp(gl_LightSource[0].position, gl_LightSource[0].diffuse, gl_LightSource[0].specular, base, shine,
                  bumped, view);
    color += lamp(gl_LightSource[1].position, gl_LightSource[1].diffuse, gl_LightSource[1].specular, base, shine,
                  bumped, view);

    vec3 q = objPos * PANELS;
    vec3 inPanel = abs(fract(q) - 0.5);
    float inside = dot(step(inPanel, vec3(0.3)), vec3(1.0));
    float window = step(0.975, hash(floor(q) + 0.5)) * step(1.5, inside) * step(0.5, base.r);
    color += vec3(1.0, 0.82, 0.45) * window * 0.8;
    gl_FragColor = vec4(color, 1.0);
}
