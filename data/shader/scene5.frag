#version 120
// scene5.frag - the current colour lit per pixel by light 0, with a neon
// rim along the silhouette.

varying vec3 eyeNormal;
varying vec3 eyePos;

void main()
{
    vec3 n = normalize(eyeNormal);
    vec3 view = normalize(-eyePos);
    vec3 toLight = gl_LightSource[0].position.xyz - eyePos * gl_LightSource[0].position.w;
    vec3 l = dot(toLight, toLight) > 1.0e-8 ? normalize(toLight) : view;
    float diffuse = max(dot(n, l), 0.0);
    float rim = pow(1.0 - max(dot(n, view), 0.0), 3.0);
    vec3 color = gl_Color.rgb * (0.2 + 0.8 * diffuse) + vec3(0.9, 0.2, 0.8) * rim;
    gl_FragColor = vec4(color, gl_Color.a);
}
