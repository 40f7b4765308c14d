#version 120
// planet.frag - a living world, lit by light 0 (the default light of the
// framework) and tinted by the current colour, whose alpha it keeps. Its
// surface (oceans, continents, ice and clouds) was baked once into a cube
// map (planet_surface.frag) that the drawing hands over on texture unit 2
// ("surface"); here it gets its light, the sea's glints and a bright
// atmosphere at the rim.

uniform samplerCube surface;

varying vec3 globe;
varying vec3 eyeNormal;
varying vec3 eyePos;

void main()
{
    vec4 baked = textureCube(surface, globe);
    vec3 ground = baked.rgb;
    vec3 n = normalize(eyeNormal);
    vec3 view = normalize(-eyePos);
    vec3 toLight = gl_LightSource[0].position.xyz - eyePos * gl_LightSource[0].position.w;
    vec3 l = dot(toLight, toLight) > 1.0e-8 ? normalize(toLight) : view;
    float diffuse = max(dot(n, l), 0.0);
    vec3 color = ground * (gl_LightSource[0].ambient.rgb + 0.12 + gl_LightSource[0].diffuse.rgb * diffuse);
    float h = max(dot(n, normalize(l + view)), 0.0);
    float h2 = h * h;
    float h8 = h2 * h2 * h2 * h2;
    float h32 = h8 * h8 * h8 * h8;
    float glint = h32 * h8 * baked.a;   // the highlight's power 40, as products
    color += vec3(0.5, 0.6, 0.7) * glint * diffuse;
    float rim = pow(1.0 - max(dot(n, view), 0.0), 2.5);
    color += vec3(0.35, 0.6, 1.0) * rim * 1.3;
    vec3 tint = mix(vec3(1.0), gl_Color.rgb, 0.85);
    gl_FragColor = vec4(color * tint, gl_Color.a);
}
