#version 120
// quad.vert - the quad of the framework's own steps (the bloom pass's glow,
// the bakes of procedural surfaces): the whole render target, with the
// texture coordinate of each of its points.

varying vec2 st;

void main()
{
    st = gl_Vertex.xy * 0.5 + 0.5;
    gl_Position = vec4(gl_Vertex.xy, 0.0, 1.0);
}
