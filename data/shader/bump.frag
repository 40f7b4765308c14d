#version 120
// bump.frag - hull plating for the station: a relief of panel seams and
// dents, computed from the model-space position, bends the facet normal
// before the material (glMaterial) is lit by lights 0 and 1; a few panels
// hold lit windows.

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

vec3 lamp(vec4 position, vec4 diffuse, vec4 specular, vec3 normal, vec3 view)
{
    vec3 toLight = position.xyz - eyePos * position.w;
    if (dot(toLight, toLight) < 1.0e-8)
        return vec3(0.0);
    vec3 l = normalize(toLight);
    float d = max(dot(normal, l), 0.0);
    vec3 color = gl_FrontMaterial.diffuse.rgb * diffuse.rgb * d;
    if (d > 0.0) {
        float s = pow(max(dot(normal, normalize(l + view)), 0.0), max(gl_FrontMaterial.shininess, 1.0));
        color += gl_FrontMaterial.specular.rgb * specular.rgb * s;
    }
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

    vec3 color = gl_FrontMaterial.ambient.rgb * (gl_LightModel.ambient.rgb + gl_LightSource[0].ambient.rgb);
    color += lamp(gl_LightSource[0].position, gl_LightSource[0].diffuse, gl_LightSource[0].specular, bumped, view);
    color += lamp(gl_LightSource[1].position, gl_LightSource[1].diffuse, gl_LightSource[1].specular, bumped, view);

    vec3 q = objPos * PANELS;
    vec3 inPanel = abs(fract(q) - 0.5);
    float inside = dot(step(inPanel, vec3(0.3)), vec3(1.0));
    float window = step(0.94, hash(floor(q) + 0.5)) * step(1.5, inside);
    color += vec3(1.0, 0.82, 0.45) * window * 0.8;
    gl_FragColor = vec4(color, gl_FrontMaterial.diffuse.a);
}
