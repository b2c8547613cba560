#version 410

// Depth only: the shadow framebuffer has no colour attachment.
void main() {
}
