#version 120
// planet_surface.frag - the surface of the planet of scenes 4 and 7, baked
// once into a cube map while the demo loads (planet.frag lights it): oceans,
// continents with mountains and ice caps, and a layer of clouds. Alpha is
// where the bare sea shows, which alone glints. Each face of the cube map
// is drawn whole; "faceOut", "faceRight" and "faceUp" give the direction of
// its centre and of its texture axes.

uniform vec3 faceOut;
uniform vec3 faceRight;
uniform vec3 faceUp;

varying vec2 st;

float hash(vec3 p)
{
    return fract(sin(dot(p, vec3(12.9898, 78.233, 37.719))) * 43758.5453);
}

float valueNoise(vec3 p)
{
    vec3 i = floor(p);
    vec3 f = fract(p);
    vec3 u = f * f * (3.0 - 2.0 * f);
    float a = mix(hash(i), hash(i + vec3(1.0, 0.0, 0.0)), u.x);
    float b = mix(hash(i + vec3(0.0, 1.0, 0.0)), hash(i + vec3(1.0, 1.0, 0.0)), u.x);
    float c = mix(hash(i + vec3(0.0, 0.0, 1.0)), hash(i + vec3(1.0, 0.0, 1.0)), u.x);
    float d = mix(hash(i + vec3(0.0, 1.0, 1.0)), hash(i + vec3(1.0, 1.0, 1.0)), u.x);
    return mix(mix(a, b, u.y), mix(c, d, u.y), u.z);
}

float fbm(vec3 p)
{
    float sum = 0.0;
    float weight = 0.5;
    for (int i = 0; i < 5; i++) {
        sum += valueNoise(p) * weight;
        p = p * 2.03 + vec3(1.7, 9.2, 4.1);
        weight *= 0.5;
    }
    return sum / 0.96875;
}

void main()
{
    vec3 g = normalize(faceOut + (2.0 * st.x - 1.0) * faceRight + (2.0 * st.y - 1.0) * faceUp);
    float land = fbm(g * 2.2);
    const float sea = 0.52;
    float isLand = smoothstep(sea - 0.005, sea + 0.005, land);
    vec3 ocean = mix(vec3(0.01, 0.05, 0.2), vec3(0.04, 0.24, 0.42), smoothstep(sea - 0.15, sea, land));
    vec3 ground = mix(vec3(0.16, 0.38, 0.12), vec3(0.5, 0.42, 0.27), smoothstep(sea + 0.04, sea + 0.2, land));
    ground = mix(ground, vec3(0.35, 0.32, 0.3), smoothstep(sea + 0.2, sea + 0.3, land));
    vec3 surface = mix(ocean, ground, isLand);
    float ice = smoothstep(0.78, 0.86, abs(g.y) + (land - sea) * 0.4);
    surface = mix(surface, vec3(0.92, 0.95, 1.0), ice);
    float cloud = smoothstep(0.52, 0.75, fbm(g * 3.6 + vec3(5.2, 1.3, 2.1)));
    surface = mix(surface, vec3(1.0), cloud * 0.85);
    gl_FragColor = vec4(surface, (1.0 - isLand) * (1.0 - cloud));
}
